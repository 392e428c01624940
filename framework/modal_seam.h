// The seam through which every modal file picker and message box passes. In the program it
// does nothing and the real window is shown. A test switches interception on, queues the
// answers it wants in advance and reads back what the program asked to show, so no modal
// window ever blocks a test. Like the rest of the window framework it is used from the
// user-interface thread only.
#pragma once

#include "file_dialog.h"

#include <cstdint>
#include <string>
#include <vector>

class CWnd;

// What a file picker was about to show.
struct CShownFileDialog
{
    std::string className; // the picker's run-time class name
    bool bOpen = true;
    std::string defaultSuffix; // empty: none
    std::string folder; // where it starts; empty: the working directory
    std::string fileName; // the name it starts with
    int filterIndex = 0; // 0-based entry selected when it opens
    std::vector<CFileFilter> filters;
    std::uint32_t flags = 0;
    const CWnd *pOwner = nullptr;
};

// A picker's answer: IDOK with a full path, or IDCANCEL. filterIndex is the entry the user
// left selected, or -1 for the one it opened with.
struct CFileAnswer
{
    int nResult = IDCANCEL;
    std::string path;
    int filterIndex = -1;
};

struct CShownMessageBox
{
    std::string text;
    std::string caption;
    const CWnd *pOwner = nullptr;
};

class CModalSeam
{
public:
    // ---- Test side ----
    // While intercepting, nothing modal is shown: each picker takes the next queued file
    // answer (IDCANCEL when none is left) and each message box the next queued message-box
    // answer (IDOK when none is left), and every request is recorded. Queuing an answer
    // switches interception on.
    static void SetIntercepting(bool bOn);
    static bool IsIntercepting();
    static void QueueFileAnswer(int nResult, std::string path = {}, int filterIndex = -1);
    static void QueueMessageBoxAnswer(int nResult = IDOK);
    static const std::vector<CShownFileDialog> &ShownFileDialogs();
    static const std::vector<CShownMessageBox> &ShownMessageBoxes();
    // Queued answers nobody has taken yet.
    static std::size_t PendingAnswers();
    // Forgets answers and records and stops intercepting.
    static void Reset();

    // ---- Program side ----
    // True when the seam answered; false means: show the real window.
    static bool AnswerFileDialog(const CShownFileDialog &shown, CFileAnswer &answer);
    static bool AnswerMessageBox(const CShownMessageBox &shown, int &nResult);
};
