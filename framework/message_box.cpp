// Message boxes over QMessageBox.
#include "message_box.h"

#include "modal_seam.h"
#include "text_codec.h"
#include "wnd.h"

#include <QMessageBox>

int MessageBox(CWnd *pOwner, std::string text, std::string caption)
{
    CShownMessageBox shown{std::move(text), std::move(caption), pOwner};
    int nResult = IDOK;
    if (CModalSeam::AnswerMessageBox(shown, nResult))
        return nResult;

    QMessageBox box(pOwner != nullptr ? pOwner->GetSafeHwnd() : nullptr);
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(QStringFromText(shown.caption));
    box.setText(QStringFromText(shown.text));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return IDOK;
}
