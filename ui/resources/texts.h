// Orvex's fixed texts: the list of input formats that the help window shows, and the lines
// of the About box.
#pragma once

// Nineteen lines, each followed by a space and a line feed (the last one too).
extern const char kFormatsHelpText[];

extern const char kAboutVersionLine[];
extern const char kAboutCopyrightLine[];
extern const char kAboutPurposeLine[];
extern const char kAboutLibraryLine[];
