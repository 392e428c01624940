// The file pickers over Qt's own (non-native) QFileDialog, which behaves the same on every
// desktop and under the offscreen platform.
#include "file_dialog.h"

#include "modal_seam.h"
#include "text_codec.h"
#include "wnd.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

std::vector<CFileFilter> ParseFileFilter(const std::string &filter)
{
    std::vector<CFileFilter> entries;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t descEnd = filter.find('|', pos);
        if (descEnd == std::string::npos || descEnd == pos)
            break;
        const std::size_t patternEnd = filter.find('|', descEnd + 1);
        if (patternEnd == std::string::npos)
            break;
        entries.push_back(CFileFilter{filter.substr(pos, descEnd - pos),
                                      filter.substr(descEnd + 1, patternEnd - descEnd - 1)});
        pos = patternEnd + 1;
    }
    return entries;
}

std::string DefaultSuffixOf(const std::string &defExt)
{
    std::string suffix = defExt;
    if (suffix.starts_with("*"))
        suffix.erase(0, 1);
    if (suffix.starts_with("."))
        suffix.erase(0, 1);
    if (suffix.find_first_of("*?") != std::string::npos)
        return {};
    return suffix;
}

CFileDialog::CFileDialog(bool bOpenFileDialog, std::string defExt, std::string fileName,
                         std::uint32_t flags, std::string filter, CWnd *pParentWnd)
    : m_bOpen(bOpenFileDialog)
    , m_strDefaultSuffix(DefaultSuffixOf(defExt))
    , m_flags(flags)
    , m_filters(ParseFileFilter(filter))
    , m_pParentWnd(pParentWnd)
    , m_strFileName(std::move(fileName))
{ }

int CFileDialog::DoModal()
{
    CShownFileDialog shown;
    shown.className = GetRuntimeClassName();
    shown.bOpen = m_bOpen;
    shown.defaultSuffix = m_strDefaultSuffix;
    shown.folder = m_strFolder;
    shown.fileName = m_strFileName;
    shown.filterIndex = m_nFilterIndex;
    shown.filters = m_filters;
    shown.flags = m_flags;
    shown.pOwner = m_pParentWnd;

    CFileAnswer answer;
    if (!CModalSeam::AnswerFileDialog(shown, answer))
        answer = RunPicker(shown);
    if (answer.nResult != IDOK)
        return IDCANCEL;
    Remember(answer.path, answer.filterIndex);
    return IDOK;
}

void CFileDialog::Remember(const std::string &path, int filterIndex)
{
    m_strPathName = path;
    const QFileInfo chosen(QStringFromPath(path));
    m_strFolder = PathFromQString(chosen.absolutePath());
    m_strFileName = PathFromQString(chosen.fileName());
    if (filterIndex >= 0 && filterIndex < static_cast<int>(m_filters.size()))
        m_nFilterIndex = filterIndex;
}

void CFileDialog::Prepare() const
{
    if (CModalSeam::IsIntercepting())
        return;
    QFileDialog picker;
    picker.setOption(QFileDialog::DontUseNativeDialog);
    picker.setFileMode(m_bOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    picker.ensurePolished();
}

CFileAnswer CFileDialog::RunPicker(const CShownFileDialog &shown) const
{
    QFileDialog picker(m_pParentWnd != nullptr ? m_pParentWnd->GetSafeHwnd() : nullptr);
    picker.setOption(QFileDialog::DontUseNativeDialog);
    picker.setAcceptMode(m_bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    picker.setFileMode(m_bOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    picker.setOption(QFileDialog::DontConfirmOverwrite, (m_flags & OFN_OVERWRITEPROMPT) == 0);
    // Qt has no read-only check box, so OFN_HIDEREADONLY needs nothing. Patterns match
    // whatever the letter case, as on the system the filter lists were written for.
    picker.setFilter(picker.filter() & ~QDir::CaseSensitive);

    // Qt reads the patterns from the parenthesised tail of each filter and, with the details
    // hidden, shows what stands before it: here the description itself. Qt keeps its filters
    // with white space simplified, so they are made that way to be found again.
    QStringList qtFilters;
    for (const CFileFilter &entry : m_filters) {
        const QString patterns = QStringFromText(entry.pattern).split(u';').join(u' ');
        qtFilters << QStringLiteral("%1 (%2)")
                             .arg(QStringFromText(entry.description), patterns)
                             .simplified();
    }
    picker.setOption(QFileDialog::HideNameFilterDetails);
    auto *types = picker.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
    if (!qtFilters.isEmpty()) {
        picker.setNameFilters(qtFilters);
        picker.selectNameFilter(qtFilters.value(shown.filterIndex));
        // Qt trims the descriptions it shows; put back the list exactly as it was given.
        for (int i = 0; types != nullptr && i < types->count() && i < qtFilters.size(); ++i)
            types->setItemText(i, QStringFromText(m_filters[std::size_t(i)].description));
    }
    if (!m_strDefaultSuffix.empty())
        picker.setDefaultSuffix(QStringFromText(m_strDefaultSuffix));
    if (!shown.folder.empty())
        picker.setDirectory(QStringFromPath(shown.folder));
    if (!shown.fileName.empty())
        picker.selectFile(QStringFromPath(shown.fileName));

    // Read at the moment the picker accepts: by the time exec() returns its selection may
    // have moved on (a completion popup closing with it does that).
    QStringList chosen;
    int chosenFilter = -1;
    QObject::connect(&picker, &QFileDialog::filesSelected, &picker, [&](const QStringList &files) {
        chosen = files;
        chosenFilter = types != nullptr
                ? types->currentIndex()
                : static_cast<int>(qtFilters.indexOf(picker.selectedNameFilter()));
    });
    CFileAnswer answer;
    if (picker.exec() != QDialog::Accepted)
        return answer;
    // The folder can stand beside the file when a change of filter hid the selected entry.
    for (const QString &selected : std::as_const(chosen)) {
        const QFileInfo info(selected);
        if (!info.isDir()) {
            answer.nResult = IDOK;
            answer.path = PathFromQString(info.absoluteFilePath());
            answer.filterIndex = chosenFilter;
            break;
        }
    }
    return answer;
}
