// Message boxes: a text, a caption and one OK button, no icon, owned by a window or by none.
// They pass through CModalSeam, so a test can answer them without anything being shown.
#pragma once

#include <string>

class CWnd;

// Blocks until the user dismisses the box; returns IDOK. With an owner that has a window the
// box is modal to that window, otherwise to the whole application.
int MessageBox(CWnd *pOwner, std::string text, std::string caption);
