// The small vocabulary shared by the window framework and the dialogs built on it: command
// results, window and control styles, menu flags and picker options. The names and values
// follow the classic Windows dialog conventions so that the dialog templates read like the
// layouts they were designed as; only the ones our windows use are defined.
#pragma once

#include <cstdint>

#include <QIcon>

using UINT = unsigned int;
using LPARAM = std::intptr_t;

// A loaded icon. Implicitly shared, so copies are cheap and nobody has to free it.
using HICON = QIcon;

// Results of a modal run, and the commands of the two standard buttons.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Notifications that come with a control's command: a click, and an edit box whose
// editing ended (Enter, or the focus left it).
inline constexpr UINT BN_CLICKED = 0;
inline constexpr UINT EN_KILLFOCUS = 0x0200;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;

// AppendMenu flags.
inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT MF_SEPARATOR = 0x0800;

// System commands. Their lowest four bits are reserved for the system, which is why a
// program's own items use multiples of 16 and handlers compare (nID & 0xFFF0).
inline constexpr UINT SC_CLOSE = 0xF060;

// Window styles (dialog and control).
inline constexpr std::uint32_t WS_POPUP = 0x80000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000;
inline constexpr std::uint32_t WS_BORDER = 0x00800000;
inline constexpr std::uint32_t WS_HSCROLL = 0x00100000;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000;
// A frame the user can drag to resize the window.
inline constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
// On a dialog these two bits mean the title-bar boxes; on a control, group and tab stop.
inline constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;
inline constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000;

// Dialog styles.
inline constexpr std::uint32_t DS_SETFONT = 0x0040;
inline constexpr std::uint32_t DS_MODALFRAME = 0x0080;

// Extended styles.
inline constexpr std::uint32_t WS_EX_CLIENTEDGE = 0x00000200;
inline constexpr std::uint32_t WS_EX_STATICEDGE = 0x00020000;
inline constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000;

// Button styles. The low four bits are the kind (BS_TYPEMASK).
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0000;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x0001;
inline constexpr std::uint32_t BS_AUTOCHECKBOX = 0x0003;
inline constexpr std::uint32_t BS_TYPEMASK = 0x000F;

// Edit-box styles.
inline constexpr std::uint32_t ES_LEFT = 0x0000;
inline constexpr std::uint32_t ES_CENTER = 0x0001;
inline constexpr std::uint32_t ES_RIGHT = 0x0002;
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080;
inline constexpr std::uint32_t ES_READONLY = 0x0800;

// Static-control styles. The low five bits are the kind (SS_TYPEMASK), the rest are flags.
inline constexpr std::uint32_t SS_LEFT = 0x0000;
inline constexpr std::uint32_t SS_CENTER = 0x0001;
inline constexpr std::uint32_t SS_RIGHT = 0x0002;
inline constexpr std::uint32_t SS_BITMAP = 0x000E;
inline constexpr std::uint32_t SS_TYPEMASK = 0x001F;
inline constexpr std::uint32_t SS_NOPREFIX = 0x0080;
inline constexpr std::uint32_t SS_CENTERIMAGE = 0x0200;
inline constexpr std::uint32_t SS_SUNKEN = 0x1000;

// File-picker options.
inline constexpr std::uint32_t OFN_OVERWRITEPROMPT = 0x0002;
inline constexpr std::uint32_t OFN_HIDEREADONLY = 0x0004;
