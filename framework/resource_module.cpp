// Look-ups in a program's resource tables.
#include "resource_module.h"

#include <algorithm>

namespace {

template<class T>
const T *FindById(std::span<const T> table, int id)
{
    const auto it = std::find_if(table.begin(), table.end(),
                                 [id](const T &entry) { return static_cast<int>(entry.id) == id; });
    return it == table.end() ? nullptr : &*it;
}

} // namespace

const DialogTemplate *CResourceModule::FindDialog(int id) const
{
    return FindById(dialogs, id);
}

const MenuTemplate *CResourceModule::FindMenu(int id) const
{
    return FindById(menus, id);
}

bool CResourceModule::LoadString(UINT id, std::string &text) const
{
    const StringResource *entry = FindById(strings, static_cast<int>(id));
    if (entry == nullptr)
        return false;
    text = entry->text;
    return true;
}

HICON CResourceModule::LoadIcon(int id) const
{
    const ImageResource *entry = FindById(icons, id);
    return entry == nullptr ? HICON() : HICON(QPixmap(entry->xpm));
}

QPixmap CResourceModule::LoadBitmap(int id) const
{
    const ImageResource *entry = FindById(bitmaps, id);
    return entry == nullptr ? QPixmap() : QPixmap(entry->xpm);
}
