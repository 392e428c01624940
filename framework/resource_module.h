// Numbered resources as data: dialog templates (controls with ids and positions in dialog
// units), menu templates, the string table, icons and bitmaps. A program describes its
// resources once in a CResourceModule and every dialog is built from it by number.
#pragma once

#include "win_defs.h"

#include <cstdint>
#include <span>
#include <string>

#include <QPixmap>

// The window classes a dialog template can name. A Custom control's text names a class the
// program registered (RegisterCustomControl in dialog.h). A Status is a static text that says
// how the last action went: assistive technology hears of each change.
enum class ControlClass { Button, Edit, Static, Progress, Custom, Status };

// One control of a dialog template, in tab order. Positions and sizes are dialog units.
// A picture (a Static with SS_BITMAP) names its bitmap in imageId and takes the bitmap's size.
// accessibleName is what assistive technology calls a control whose text does not say what it
// does ("..."), or that has no text and no caption on its row.
struct ControlTemplate
{
    ControlClass cls = ControlClass::Static;
    int id = -1; // -1: a control nobody refers to
    const char *text = "";
    int x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    int imageId = 0;
    const char *accessibleName = nullptr;
};

// How a control follows a dialog whose frame the user can resize (WS_THICKFRAME): of the room
// the client area gains beyond its template size, the control moves right and down by moveX
// and moveY percent of it, and grows by sizeX and sizeY percent. Controls that no row names
// keep their places and sizes.
struct DynamicLayoutItem
{
    int id = 0;
    int moveX = 0, moveY = 0, sizeX = 0, sizeY = 0;
};

struct DialogTemplate
{
    int id = 0;
    const char *caption = "";
    int x = 0, y = 0, cx = 0, cy = 0; // the client area, in dialog units
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    int menuId = 0; // 0: no menu bar
    const char *fontName = "";
    int pointSize = 8;
    std::span<const ControlTemplate> controls;
    std::span<const DynamicLayoutItem> dynamicLayout = {};
};

// A menu item; a separator has MF_SEPARATOR in flags and no text or id.
struct MenuItemTemplate
{
    const char *text = "";
    UINT id = 0;
    UINT flags = MF_STRING;
};

struct PopupTemplate
{
    const char *text = "";
    std::span<const MenuItemTemplate> items;
};

struct MenuTemplate
{
    int id = 0;
    std::span<const PopupTemplate> popups;
};

struct StringResource
{
    UINT id = 0;
    const char *text = "";
};

// Pictures are XPM text compiled into the program.
struct ImageResource
{
    int id = 0;
    const char *const *xpm = nullptr;
};

class CResourceModule
{
public:
    std::span<const DialogTemplate> dialogs;
    std::span<const MenuTemplate> menus;
    std::span<const StringResource> strings;
    std::span<const ImageResource> icons;
    std::span<const ImageResource> bitmaps;

    // Null when the module has no resource of that number.
    const DialogTemplate *FindDialog(int id) const;
    const MenuTemplate *FindMenu(int id) const;

    // False, leaving text untouched, when the string table has no such entry.
    bool LoadString(UINT id, std::string &text) const;
    // A null icon or pixmap when the number is unknown. Needs the application object.
    HICON LoadIcon(int id) const;
    QPixmap LoadBitmap(int id) const;
};
