// What assistive technology (a screen reader, over AT-SPI) is told about a dialog's controls.
// Every control gets a name: its own text, the name its template gives, or, for an edit box
// or a value field, the caption that stands to its left on the same row, as a sighted reader
// pairs them, and the caption itself is then left out, so that the name is heard once. Value
// fields are read-only texts; a status line says what it is by its role, and its changes
// reach the screen reader as changes of its name. Hidden controls are not part of the dialog
// as assistive technology sees it.
#pragma once

#include "resource_module.h"

#include <QLabel>

class QWidget;

// A static control that assistive technology reads as text: a value field, whose name is its
// caption, a text whose template names it, or a status line. A status line never runs past its box,
// into the controls below: it wraps inside a word too wide for a line (a long path), shortens its
// longest words from the middle while it needs more lines than the box holds, and then shows the
// whole text as its tooltip.
class CStaticText final : public QLabel
{
public:
    CStaticText(QWidget *parent, bool bStatus);
    bool IsStatus() const { return m_bStatus; }
    // The lines a status line shows; `shortened` says whether any of the text had to go.
    QString ShownText(bool *shortened = nullptr) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_bStatus;
};

// The area of a dialog that holds its controls; it shows assistive technology only the
// controls that are not hidden.
class CClientArea final : public QWidget
{
public:
    using QWidget::QWidget;
};

// Whether a template's control is a read-only value field: a static text with a border or a
// sunken edge, named by its caption.
bool IsValueField(const ControlTemplate &item);

// Names the controls of `client`, made from `tmpl` in template order, for assistive
// technology; makes the accessibility interfaces of the classes above known to Qt.
void NameControls(const DialogTemplate &tmpl, QWidget *client);

// Tells assistive technology that `control` was shown or hidden, so that it adds it to the
// dialog or takes it out.
void NotifyShown(QWidget *control, bool bShown);
