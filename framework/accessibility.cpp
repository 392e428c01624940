// Accessibility of template-made dialogs (see accessibility.h): Qt's interfaces for the
// classes it does not know, and the names controls take from their templates.
#include "accessibility.h"

#include "text_codec.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>

namespace {

// The client area as assistive technology sees it: its shown controls, in tab order, but not
// the captions, which are already heard as the names of the controls they label.
class CClientAccessible final : public QAccessibleWidget
{
public:
    explicit CClientAccessible(QWidget *client)
        : QAccessibleWidget(client, QAccessible::Client)
    { }
    int childCount() const override { return int(Shown().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> shown = Shown();
        return index >= 0 && index < shown.size()
                ? QAccessible::queryAccessibleInterface(shown[index])
                : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return int(Shown().indexOf(child ? qobject_cast<QWidget *>(child->object()) : nullptr));
    }

private:
    static bool IsCaption(const QWidget *control)
    {
        const auto *label = qobject_cast<const QLabel *>(control);
        return label != nullptr && label->buddy() != nullptr;
    }
    QList<QWidget *> Shown() const
    {
        QList<QWidget *> shown;
        for (QObject *item : widget()->children())
            if (auto *control = qobject_cast<QWidget *>(item);
                control && !control->isHidden() && !IsCaption(control))
                shown << control;
        return shown;
    }
};

// A value field or a status line: read as text, a value field as a read-only text box, as it
// looks. Nothing in it can be selected or edited.
class CStaticTextAccessible final : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit CStaticTextAccessible(CStaticText *label)
        : QAccessibleWidget(label,
                            label->IsStatus() ? QAccessible::StatusBar : QAccessible::EditableText)
    { }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        return state;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface *>(this)
                                                  : QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text type) const override
    {
        // A status line is named by what it says; the tooltip of a shortened one would only
        // say it again.
        if (type == QAccessible::Name && widget()->accessibleName().isEmpty())
            return Text().isEmpty() ? QStringLiteral("Status") : Text();
        if (type == QAccessible::Description)
            return widget()->accessibleDescription();
        return QAccessibleWidget::text(type);
    }
    QString text(int start, int end) const override { return Text().mid(start, end - start); }
    int characterCount() const override { return int(Text().size()); }
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override { }
    void removeSelection(int) override { }
    void setSelection(int, int, int) override { }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override { }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override { }
    QString attributes(int, int *start, int *end) const override
    {
        *start = *end = 0;
        return {};
    }

private:
    QString Text() const { return static_cast<const QLabel *>(widget())->text(); }
};

QAccessibleInterface *MakeInterface(const QString & /*className*/, QObject *object)
{
    if (auto *client = dynamic_cast<CClientArea *>(object))
        return new CClientAccessible(client);
    if (auto *label = dynamic_cast<CStaticText *>(object))
        return new CStaticTextAccessible(label);
    return nullptr;
}

void KnowInterfaces()
{
    static const bool known = (QAccessible::installFactory(&MakeInterface), true);
    (void)known;
}

// The caption of `item`: the plain label on its row that ends nearest to its left edge.
const ControlTemplate *CaptionOf(const ControlTemplate &item, const DialogTemplate &tmpl)
{
    const ControlTemplate *best = nullptr;
    for (const ControlTemplate &label : tmpl.controls) {
        const bool plain = label.cls == ControlClass::Static && !IsValueField(label)
                && (label.style & SS_TYPEMASK) != SS_BITMAP && *label.text != '\0';
        const bool onRow = label.y < item.y + item.cy && item.y < label.y + label.cy;
        if (plain && onRow && label.x + label.cx <= item.x
            && (best == nullptr || label.x + label.cx > best->x + best->cx))
            best = &label;
    }
    return best;
}

} // namespace

// ---- CStaticText -------------------------------------------------------------------------

CStaticText::CStaticText(QWidget *parent, bool bStatus)
    : QLabel(parent)
    , m_bStatus(bStatus)
{
    KnowInterfaces();
}

namespace {

// `text` in lines of at most `width` pixels: broken at spaces, and inside a word that is
// wider than a line.
QStringList Lines(const QString &text, const QFont &font, int width)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

} // namespace

QString CStaticText::ShownText(bool *shortened) const
{
    const QRect box = contentsRect();
    const QFontMetrics metrics = fontMetrics();
    const int fits = std::max(1, box.height() / metrics.lineSpacing());
    QString shown = text();
    QStringList lines = Lines(shown, font(), box.width());
    // The longest word (a path, as a rule) gives way first, from its middle, so that the
    // file name and the sentences around it stay.
    for (int round = 0; lines.size() > fits && round < 16; ++round) {
        QStringList words = shown.split(u' ');
        auto longest = std::max_element(words.begin(), words.end(), [&](auto &a, auto &b) {
            return metrics.horizontalAdvance(a) < metrics.horizontalAdvance(b);
        });
        *longest = metrics.elidedText(*longest, Qt::ElideMiddle,
                                      metrics.horizontalAdvance(*longest) * 2 / 3);
        shown = words.join(u' ');
        lines = Lines(shown, font(), box.width());
    }
    const bool cut = lines.size() > fits;
    if (cut) {
        lines = lines.mid(0, fits);
        lines.last() = metrics.elidedText(lines.last() + QStringLiteral(" ..."), Qt::ElideRight,
                                          box.width());
    }
    if (shortened != nullptr)
        *shortened = cut || shown != text();
    return lines.join(u'\n');
}

void CStaticText::paintEvent(QPaintEvent *event)
{
    if (!m_bStatus) {
        QLabel::paintEvent(event);
        return;
    }
    bool shortened = false;
    const QString shown = ShownText(&shortened);
    setToolTip(shortened ? text() : QString());
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}

bool IsValueField(const ControlTemplate &item)
{
    return item.cls == ControlClass::Static && (item.style & SS_TYPEMASK) != SS_BITMAP
            && ((item.style & (WS_BORDER | SS_SUNKEN)) != 0
                || (item.exStyle & (WS_EX_STATICEDGE | WS_EX_CLIENTEDGE)) != 0);
}

// ---- Names -------------------------------------------------------------------------------

void NameControls(const DialogTemplate &tmpl, QWidget *client)
{
    KnowInterfaces();
    const QList<QWidget *> controls = client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (size_t i = 0; i < tmpl.controls.size() && i < size_t(controls.size()); ++i) {
        const ControlTemplate &item = tmpl.controls[i];
        QWidget *control = controls[qsizetype(i)];
        const bool captioned = item.cls == ControlClass::Edit || IsValueField(item)
                || item.cls == ControlClass::Progress || item.cls == ControlClass::Custom;
        const ControlTemplate *caption = captioned ? CaptionOf(item, tmpl) : nullptr;
        // The caption's mnemonic takes the focus to the control it names.
        if (caption != nullptr)
            if (auto *label = qobject_cast<QLabel *>(controls[caption - tmpl.controls.data()]))
                label->setBuddy(control);
        if (item.accessibleName != nullptr) {
            control->setAccessibleName(QStringFromText(item.accessibleName));
            continue;
        }
        if (caption == nullptr)
            continue;
        // A caption's mnemonic marks its letter on screen; it is no part of the name.
        QString name = QStringFromText(caption->text).remove(u'&');
        while (name.endsWith(u':') || name.endsWith(u' '))
            name.chop(1);
        control->setAccessibleName(name);
    }
}

void NotifyShown(QWidget *control, bool bShown)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(control,
                           bShown ? QAccessible::ObjectCreated : QAccessible::ObjectDestroyed);
    QAccessible::updateAccessibility(&event);
}
