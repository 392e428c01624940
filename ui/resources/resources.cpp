// The templates, menu, string table and pictures of Orvex's windows. Positions and sizes are
// dialog units; controls are listed in tab order.
#include "resources.h"

#include "resource_ids.h"
#include "texts.h"

namespace {

#include "about_picture.xpm"
#include "orvex_icon.xpm"

constexpr char kDialogFont[] = "MS Sans Serif";
constexpr int kDialogFontSize = 8;

// Style groups shared by the templates.
constexpr std::uint32_t kButton = BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP;
constexpr std::uint32_t kDefaultButton = BS_DEFPUSHBUTTON | WS_VISIBLE | WS_TABSTOP;
constexpr std::uint32_t kCheckBox = BS_AUTOCHECKBOX | WS_VISIBLE | WS_TABSTOP;
constexpr std::uint32_t kLabel = SS_LEFT | WS_VISIBLE;
// Right-aligned, vertically centred captions of the value fields.
constexpr std::uint32_t kFieldCaption = SS_RIGHT | SS_CENTERIMAGE | WS_VISIBLE;
// Read-only value fields: bordered, sunken, text centred both ways.
constexpr std::uint32_t kValueField
        = SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN | WS_BORDER | WS_VISIBLE;
constexpr std::uint32_t kDialogStyle
        = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;

using C = ControlClass;

// ---- 102: the importer dialog -----------------------------------------------------------

// In the order the window reads, row by row from the top and left to right within a row, which
// is also the order Tab and a screen reader take.
constexpr ControlTemplate kImporterControls[] = {
        {C::Static, -1, "Import File :", 10, 15, 40, 15, kLabel},
        {C::Edit, IDC_IMPORT_FILE, "", 55, 15, 175, 15,
         ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_VISIBLE | WS_TABSTOP},
        {C::Button, IDC_BROWSE, "...", 235, 15, 20, 14, kButton, 0, 0, "Browse for a file"},
        {C::Button, IDCANCEL, "Cancel", 260, 15, 50, 14, kButton},
        {C::Static, -1, "Format", 25, 40, 45, 10, kFieldCaption},
        {C::Static, IDC_FORMAT, "Format", 75, 40, 75, 15, kValueField},
        // Beside the fields, the encoding in words and the duration.
        {C::Static, IDC_ENCODING, "", 155, 40, 95, 25, kLabel | SS_NOPREFIX, 0, 0,
         "Encoding and duration"},
        // Hidden for good: its handler runs after "..." has picked a file. The first button
        // marked default, so it stays the dialog's default and Enter presses none of the others.
        {C::Button, IDC_SAVE_AS, "Save As...", 255, 80, 60, 14, kDefaultButton & ~WS_VISIBLE},
        {C::Button, IDC_SAVE_AS_WAV, "Save As WAV", 255, 45, 60, 14, kDefaultButton},
        {C::Static, -1, "Sample Rate", 25, 55, 45, 10, kFieldCaption},
        {C::Static, IDC_SAMPLE_RATE, "Sample Rate", 75, 55, 75, 15, kValueField},
        {C::Button, IDC_CONVERT_AND_GO, "Convert and Go", 255, 60, 60, 14, kDefaultButton},
        {C::Static, -1, "Number of Samples", 5, 70, 65, 10, kFieldCaption},
        {C::Static, IDC_SAMPLES, "Number of Samples", 75, 70, 75, 15, kValueField},
        {C::Static, -1, "Channels", 25, 85, 45, 10, kFieldCaption},
        {C::Static, IDC_CHANNELS, "Channels", 75, 85, 75, 15, kValueField},
        {C::Static, -1, "Bit Width", 25, 100, 45, 10, kFieldCaption},
        {C::Static, IDC_BIT_WIDTH, "Bit Width", 75, 100, 75, 15, kValueField},
        // Below the fields: what the last action did, or while a conversion runs, how far
        // it is and the button that stops it. The progress bar holds the keyboard focus
        // while the buttons that started the conversion are greyed.
        {C::Status, IDC_STATUS, "", 10, 120, 300, 20, kLabel | SS_NOPREFIX},
        {C::Progress, IDC_PROGRESS, "", 10, 121, 240, 12, WS_TABSTOP, 0, 0, "Conversion progress"},
        {C::Button, IDC_CANCEL_CONVERSION, "Stop", 260, 120, 50, 14, kButton & ~WS_VISIBLE, 0, 0,
         "Stop converting"},
        // Below everything, the waveform overview and the button that plays the file.
        {C::Custom, IDC_WAVEFORM, "OrvexWaveform", 10, 144, 245, 60, WS_VISIBLE | WS_TABSTOP, 0, 0,
         "Waveform"},
        {C::Button, IDC_PLAY, "&Play", 260, 144, 50, 14, kButton},
        // Under Play, the level of what is heard and imported: the peak normalised, or a gain;
        // dither or not. Seen before every import, as the waveform shows their result.
        {C::Button, IDC_NORMALIZE, "&Normalise", 260, 162, 55, 10, kCheckBox, 0, 0,
         "Normalise the peak to -1.0 dBFS"},
        {C::Static, IDC_GAIN_CAPTION, "&Gain", 260, 177, 20, 10, kLabel},
        {C::Edit, IDC_GAIN, "0.0", 280, 175, 22, 13,
         ES_RIGHT | ES_AUTOHSCROLL | WS_BORDER | WS_VISIBLE | WS_TABSTOP, 0, 0, "Gain in dB"},
        {C::Static, IDC_GAIN_UNIT, "dB", 304, 177, 12, 10, kLabel},
        {C::Button, IDC_DITHER, "&Dither", 260, 192, 55, 10, kCheckBox},
};

// When the window grows, the waveform takes the new room, the status line and the progress bar
// grow along the fields' bottom, and the buttons and the level's controls beside them keep to
// the right edge; the rest keeps its place.
constexpr DynamicLayoutItem kImporterLayout[] = {
        {IDC_STATUS, 0, 0, 100, 0},
        {IDC_PROGRESS, 0, 0, 100, 0},
        {IDC_CANCEL_CONVERSION, 100, 0, 0, 0},
        {IDC_WAVEFORM, 0, 0, 100, 100},
        {IDC_PLAY, 100, 0, 0, 0},
        {IDC_NORMALIZE, 100, 0, 0, 0},
        {IDC_GAIN_CAPTION, 100, 0, 0, 0},
        {IDC_GAIN, 100, 0, 0, 0},
        {IDC_GAIN_UNIT, 100, 0, 0, 0},
        {IDC_DITHER, 100, 0, 0, 0},
};

// ---- 132: the formats help window ------------------------------------------------------

constexpr ControlTemplate kHelpControls[] = {
        {C::Button, IDOK, "OK", 230, 5, 50, 14, kDefaultButton},
        {C::Static, IDC_FORMATS_TEXT, "", 15, 35, 260, 245, kLabel},
        {C::Static, -1, "The following input file formats are supported -", 15, 5, 80, 20, kLabel},
        {C::Static, -1,
         "Orvex uses the freeware library LibSndFile. (This list is from that documentation)", 15,
         280, 145, 20, kLabel},
};

// ---- 100: the About box ----------------------------------------------------------------

constexpr ControlTemplate kAboutControls[] = {
        {C::Static, -1, kAboutVersionLine, 40, 10, 119, 8, kLabel | SS_NOPREFIX},
        {C::Static, -1, kAboutCopyrightLine, 40, 25, 155, 10, kLabel},
        {C::Button, IDOK, "OK", 178, 7, 50, 14, kDefaultButton | WS_GROUP},
        {C::Static, -1, kAboutPurposeLine, 40, 40, 155, 10, kLabel},
        {C::Static, -1, kAboutLibraryLine, 40, 55, 155, 20, kLabel},
        // A picture takes the size of its bitmap.
        {C::Static, -1, "", 205, 30, 0, 0, SS_BITMAP | WS_VISIBLE, 0, IDB_ABOUT_PICTURE},
};

constexpr DialogTemplate kDialogs[] = {
        {IDD_ABOUTBOX, "About Orvex", 0, 0, 262, 95, kDialogStyle, 0, 0, kDialogFont,
         kDialogFontSize, kAboutControls},
        {IDD_IMPORTER_DIALOG, "Vandrel File Importer", 0, 0, 320, 212,
         kDialogStyle | WS_VISIBLE | WS_THICKFRAME | WS_MAXIMIZEBOX, WS_EX_APPWINDOW, IDR_MAIN_MENU,
         kDialogFont, kDialogFontSize, kImporterControls, kImporterLayout},
        {IDD_HELP_DIALOG, "Help Dialog", 0, 0, 292, 306, kDialogStyle, 0, 0, kDialogFont,
         kDialogFontSize, kHelpControls},
};

// ---- 130: the menu, without mnemonics or accelerators -----------------------------------

constexpr MenuItemTemplate kFileItems[] = {
        {"Save and Exit", ID_FILE_SAVE_AND_EXIT},
        {"", 0, MF_SEPARATOR},
        {"Exit", ID_FILE_EXIT},
};
constexpr MenuItemTemplate kHelpItems[] = {
        {"Help", ID_HELP_FORMATS},
        {"", 0, MF_SEPARATOR},
        {"About", ID_HELP_ABOUT},
};
constexpr PopupTemplate kMainMenuPopups[] = {{"File", kFileItems}, {"Help", kHelpItems}};
constexpr MenuTemplate kMenus[] = {{IDR_MAIN_MENU, kMainMenuPopups}};

constexpr StringResource kStrings[] = {{IDS_ABOUTBOX, "&About Orvex..."}};

constexpr ImageResource kIcons[] = {{IDI_ORVEX, orvex_icon_xpm}};
constexpr ImageResource kBitmaps[] = {{IDB_ABOUT_PICTURE, about_picture_xpm}};

} // namespace

const CResourceModule &OrvexResources()
{
    static const CResourceModule module{kDialogs, kMenus, kStrings, kIcons, kBitmaps};
    return module;
}
