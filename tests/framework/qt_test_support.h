// Helpers shared by the Qt tests of the framework and of the dialogs.
#pragma once

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <string>

// Lets QCOMPARE print our 8-bit texts when they differ.
namespace QTest {
template<>
inline char *toString(const std::string &text)
{
    return QTest::toPrettyCString(text.data(), qsizetype(text.size()));
}
} // namespace QTest

// Fails the running test when a top-level window outlived it. Deferred deletions are
// flushed first, so only windows that really leaked count.
#define VERIFY_NO_WINDOW_LEAKED()                                                                  \
    do {                                                                                           \
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);                       \
        QStringList leaked;                                                                        \
        for (QWidget * w : QApplication::topLevelWidgets())                                        \
            leaked << QString::fromLatin1(w->metaObject()->className()) + u' ' + w->objectName();  \
        QVERIFY2(leaked.isEmpty(), qPrintable(leaked.join(u", ")));                                \
    } while (false)

// Runs action from the event loop of the modal run that is about to start. Actions must end
// that run whatever they find, and leave the checking to the code after it, so that a
// failure cannot leave a modal window blocking the test.
template<class Action>
void WhenModal(Action action)
{
    QTimer::singleShot(0, qApp, action);
}

// Drags the URLs over the window and drops them, as a file manager does; true when the
// window took the drop.
inline bool DropUrls(QWidget *window, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    return enter.isAccepted() && drop.isAccepted();
}
