// The fixed numbers of Orvex's windows, controls, commands, strings and pictures. The
// templates, the command tables and the data-exchange lists all refer to these.
#pragma once

#include "win_defs.h" // IDOK (1) and IDCANCEL (2)

// Dialog templates, the menu, the string and the pictures.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_IMPORTER_DIALOG = 102;
inline constexpr int IDR_MAIN_MENU = 130;
inline constexpr int IDD_HELP_DIALOG = 132;
inline constexpr int IDI_ORVEX = 134;
inline constexpr int IDB_ABOUT_PICTURE = 135;

// Buttons of the importer dialog besides Cancel (IDCANCEL).
inline constexpr int IDC_SAVE_AS = 3;
inline constexpr int IDC_CONVERT_AND_GO = 4;
inline constexpr int IDC_SAVE_AS_WAV = 5;

// Controls.
inline constexpr int IDC_IMPORT_FILE = 1000;
inline constexpr int IDC_BROWSE = 1001;
inline constexpr int IDC_FORMAT = 1003;
inline constexpr int IDC_SAMPLE_RATE = 1004;
inline constexpr int IDC_SAMPLES = 1005;
inline constexpr int IDC_CHANNELS = 1006;
inline constexpr int IDC_BIT_WIDTH = 1007;
inline constexpr int IDC_STATUS = 1008;
inline constexpr int IDC_PROGRESS = 1009;
inline constexpr int IDC_FORMATS_TEXT = 1010;
inline constexpr int IDC_CANCEL_CONVERSION = 1011;
inline constexpr int IDC_ENCODING = 1012;
inline constexpr int IDC_WAVEFORM = 1013;
inline constexpr int IDC_PLAY = 1014;
inline constexpr int IDC_NORMALIZE = 1015;
inline constexpr int IDC_GAIN_CAPTION = 1016;
inline constexpr int IDC_GAIN = 1017;
inline constexpr int IDC_GAIN_UNIT = 1018;
inline constexpr int IDC_DITHER = 1019;

// Menu commands.
inline constexpr UINT ID_FILE_SAVE_AND_EXIT = 32771;
inline constexpr UINT ID_FILE_EXIT = 32772;
inline constexpr UINT ID_HELP_ABOUT = 32773;
inline constexpr UINT ID_HELP_FORMATS = 32774;

// The item the importer dialog appends to its system menu. System commands of a program
// are multiples of 16 below 0xF000.
inline constexpr UINT IDM_ABOUTBOX = 0x0010;
