// Checks a dialog window against the layout its template was designed with: each control's
// kind, number, text, place and size (from the dialog font's base units), look, visibility,
// tab order, and that every label shows its whole text.
#pragma once

#include "dialog.h"
#include "qt_test_support.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <span>

enum class Look { Button, DefaultButton, Edit, Label, Caption, Value, Picture };

struct ExpectedControl
{
    int id; // -1: none
    Look look;
    const char *text;
    int x, y, cx, cy; // dialog units; a picture's size is in pixels
    bool visible = true;
};

// Call through CHECK_LAYOUT, which stops the test at the first difference.
inline void CheckLayout(CDialog &dlg, int nIDTemplate, std::span<const ExpectedControl> expected)
{
    QWidget *window = dlg.GetSafeHwnd();
    QVERIFY(window != nullptr);
    const DialogTemplate *tmpl = dlg.GetResources().FindDialog(nIDTemplate);
    QVERIFY(tmpl != nullptr);
    auto *client = window->findChild<QWidget *>(QStringLiteral("client"));
    QCOMPARE(client->size(), DialogRect(window, 0, 0, tmpl->cx, tmpl->cy).size());
    const QList<QWidget *> controls = client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QCOMPARE(controls.size(), qsizetype(expected.size()));

    QStringList tabOrder;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const ExpectedControl &want = expected[i];
        QWidget *control = controls[qsizetype(i)];
        const std::uint32_t style = tmpl->controls[i].style;
        const QString where = QStringLiteral("control %1 (%2)").arg(i).arg(want.text);
        QVERIFY2(control->objectName()
                         == (want.id >= 0 ? CWnd::ControlName(want.id)
                                          : QStringLiteral("item%1").arg(i)),
                 qPrintable(where));
        QVERIFY2(control->isHidden() == !want.visible, qPrintable(where));
        auto *label = qobject_cast<QLabel *>(control);
        auto *button = qobject_cast<QPushButton *>(control);
        auto *edit = qobject_cast<QLineEdit *>(control);
        if (want.look == Look::Picture) {
            QVERIFY2(label != nullptr && !label->pixmap().isNull(), qPrintable(where));
            QCOMPARE(control->geometry(),
                     QRect(DialogRect(window, want.x, want.y, 0, 0).topLeft(),
                           QSize(want.cx, want.cy)));
            continue;
        }
        QVERIFY2(control->geometry() == DialogRect(window, want.x, want.y, want.cx, want.cy),
                 qPrintable(where));
        switch (want.look) {
        case Look::Button:
        case Look::DefaultButton:
            QVERIFY2(button != nullptr && button->text() == QString::fromLatin1(want.text),
                     qPrintable(where));
            QVERIFY2(((style & BS_DEFPUSHBUTTON) != 0) == (want.look == Look::DefaultButton),
                     qPrintable(where));
            QVERIFY2((style & WS_TABSTOP) != 0, qPrintable(where));
            if (want.visible)
                tabOrder << control->objectName();
            break;
        case Look::Edit:
            QVERIFY2(edit != nullptr && edit->text() == QString::fromLatin1(want.text),
                     qPrintable(where));
            QVERIFY2(edit->hasFrame() && !edit->isReadOnly(), qPrintable(where));
            tabOrder << control->objectName();
            break;
        case Look::Label:
        case Look::Caption:
        case Look::Value: {
            QVERIFY2(label != nullptr && label->text() == QString::fromLatin1(want.text),
                     qPrintable(where));
            const Qt::Alignment align = want.look == Look::Label ? Qt::AlignLeft | Qt::AlignTop
                    : want.look == Look::Caption                 ? Qt::AlignRight | Qt::AlignVCenter
                                                                 : Qt::AlignCenter;
            QVERIFY2(label->alignment() == align, qPrintable(where));
            QVERIFY2((label->frameShadow() == QFrame::Sunken) == (want.look == Look::Value),
                     qPrintable(where));
            // The whole text shows: wrapped within the box, or on its one line.
            const bool fits = label->wordWrap()
                    ? label->heightForWidth(label->width()) <= label->height()
                    : label->fontMetrics().horizontalAdvance(label->text())
                            <= label->contentsRect().width();
            QVERIFY2(fits, qPrintable(where + QStringLiteral(" is cut off")));
            break;
        }
        case Look::Picture:
            break;
        }
    }

    // Tab order: the template's order over the visible controls that take focus.
    QStringList chain;
    QWidget *first = client->findChild<QWidget *>(tabOrder.value(0));
    QVERIFY(first != nullptr);
    QWidget *w = first;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled())
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != first);
    QCOMPARE(chain, tabOrder);
}

#define CHECK_LAYOUT(dlg, id, expected)                                                            \
    do {                                                                                           \
        CheckLayout(dlg, id, expected);                                                            \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)
