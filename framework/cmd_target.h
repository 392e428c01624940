// Command dispatch by number. A class that handles commands (button clicks and menu
// choices) declares a table of {command id, member handler[, notification]} and returns it from
// GetMessageMap(); the dispatcher looks the id up in the object's table, then in its base
// class's table, so a derived class can take over a command its base handles.
//
//   const CMessageMap *CMyDlg::GetMessageMap() const
//   {
//       static constexpr CCommandEntry<CMyDlg> entries[] = {{IDC_GO, &CMyDlg::OnGo}};
//       static const CCommandMap<CMyDlg> map(entries, CDialog::GetMessageMap());
//       return &map;
//   }
#pragma once

#include "win_defs.h"

#include <cstddef>
#include <span>

class CCmdTarget;

class CMessageMap
{
public:
    // True when this table or a base table handled nID's notification nCode.
    virtual bool Dispatch(CCmdTarget &target, UINT nID, UINT nCode) const = 0;

protected:
    ~CMessageMap() = default;
};

template<class T>
struct CCommandEntry
{
    UINT nID;
    void (T::*pfn)();
    UINT nCode = BN_CLICKED; // which notification of the control: a click, by default
};

template<class T>
class CCommandMap final : public CMessageMap
{
public:
    explicit CCommandMap(const CMessageMap *pBase)
        : m_pBase(pBase)
    { }
    template<std::size_t N>
    CCommandMap(const CCommandEntry<T> (&entries)[N], const CMessageMap *pBase)
        : m_entries(entries)
        , m_pBase(pBase)
    { }

    bool Dispatch(CCmdTarget &target, UINT nID, UINT nCode) const override
    {
        // The table only ever serves objects of its own class; the check keeps a table that
        // was handed to the wrong object from calling a member of another type.
        if (T *object = dynamic_cast<T *>(&target)) {
            for (const CCommandEntry<T> &entry : m_entries) {
                if (entry.nID == nID && entry.nCode == nCode) {
                    (object->*entry.pfn)();
                    return true;
                }
            }
        }
        return m_pBase != nullptr && m_pBase->Dispatch(target, nID, nCode);
    }

private:
    std::span<const CCommandEntry<T>> m_entries;
    const CMessageMap *m_pBase;
};

class CCmdTarget
{
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget &) = delete;
    CCmdTarget &operator=(const CCmdTarget &) = delete;

    // The object's command table; the base has none. Null means no commands.
    virtual const CMessageMap *GetMessageMap() const { return nullptr; }

    // Runs the handler for nID's notification nCode (a menu command's is BN_CLICKED);
    // false when no table has one.
    bool OnCmdMsg(UINT nID, UINT nCode = BN_CLICKED)
    {
        const CMessageMap *map = GetMessageMap();
        return map != nullptr && map->Dispatch(*this, nID, nCode);
    }
};
