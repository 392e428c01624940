// The modal seam's queues and records.
#include "modal_seam.h"

#include <deque>

namespace {

struct SeamState
{
    bool intercepting = false;
    std::deque<CFileAnswer> fileAnswers;
    std::deque<int> messageBoxAnswers;
    std::vector<CShownFileDialog> shownFileDialogs;
    std::vector<CShownMessageBox> shownMessageBoxes;
};

SeamState &State()
{
    static SeamState state;
    return state;
}

} // namespace

void CModalSeam::SetIntercepting(bool bOn)
{
    State().intercepting = bOn;
}

bool CModalSeam::IsIntercepting()
{
    return State().intercepting;
}

void CModalSeam::QueueFileAnswer(int nResult, std::string path, int filterIndex)
{
    State().intercepting = true;
    State().fileAnswers.push_back(CFileAnswer{nResult, std::move(path), filterIndex});
}

void CModalSeam::QueueMessageBoxAnswer(int nResult)
{
    State().intercepting = true;
    State().messageBoxAnswers.push_back(nResult);
}

const std::vector<CShownFileDialog> &CModalSeam::ShownFileDialogs()
{
    return State().shownFileDialogs;
}

const std::vector<CShownMessageBox> &CModalSeam::ShownMessageBoxes()
{
    return State().shownMessageBoxes;
}

std::size_t CModalSeam::PendingAnswers()
{
    return State().fileAnswers.size() + State().messageBoxAnswers.size();
}

void CModalSeam::Reset()
{
    State() = SeamState();
}

bool CModalSeam::AnswerFileDialog(const CShownFileDialog &shown, CFileAnswer &answer)
{
    SeamState &state = State();
    if (!state.intercepting)
        return false;
    state.shownFileDialogs.push_back(shown);
    answer = CFileAnswer();
    if (!state.fileAnswers.empty()) {
        answer = std::move(state.fileAnswers.front());
        state.fileAnswers.pop_front();
    }
    return true;
}

bool CModalSeam::AnswerMessageBox(const CShownMessageBox &shown, int &nResult)
{
    SeamState &state = State();
    if (!state.intercepting)
        return false;
    state.shownMessageBoxes.push_back(shown);
    nResult = IDOK;
    if (!state.messageBoxAnswers.empty()) {
        nResult = state.messageBoxAnswers.front();
        state.messageBoxAnswers.pop_front();
    }
    return true;
}
