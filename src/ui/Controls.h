#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <initializer_list>
#include <string>
#include <vector>

#include "ui/Look.h"

// Each function creates one control with its object name, caption, twips rectangle and font size,
// with the behaviour every screen relies on, so that each line of a layout table is one call.
namespace callpad::ui {

// Captions keep their rectangle and point size. Where the face standing in for ＭＳ Ｐゴシック runs
// wider than it, a caption that would be cut is narrowed instead, down to three quarters of its width.
QLabel* addLabel(QWidget* parent, const char* name, const QString& caption, Twips at, double points);
// Fits every caption of the screen anew, for a window that moved to a monitor of another scale, where
// the face's widths round differently.
void refitCaptions(QWidget* screen);
// Whether the control shows a caption that is fitted to its width: a label that does not wrap, a button.
bool isCaption(const QWidget* control);
// Whether a caption shows its text whole.
bool captionFits(QWidget* control);
// Sets a label's text, narrowed like a caption where it would be cut ("2026/12/06", not "2026/12/0").
void setFittedText(QLabel* label, const QString& text);
// A label that shows a value in a grey box.
QLabel* addValueLabel(QWidget* parent, const char* name, Twips at, double points);

// A push button that shows its own background colour. Enter and Space press it when it has the focus.
QPushButton* addButton(QWidget* parent, const char* name, const QString& caption, Twips at, double points,
                       unsigned colour);
// A push button in the system's own button colour.
QPushButton* addButton(QWidget* parent, const char* name, const QString& caption, Twips at, double points);

// A single-line text box without a length limit.
QLineEdit* addTextBox(QWidget* parent, const char* name, Twips at, double points);

// A multi-line text box: Enter starts a new line, Tab moves the focus, and its text holds CR LF line
// breaks as the data files do.
class MultiLineTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    using QPlainTextEdit::QPlainTextEdit;
    QString text() const;
    void setText(const QString& text);
};
MultiLineTextBox* addMultiLineTextBox(QWidget* parent, const char* name, Twips at, double points);

// An editable combo box whose list stays as loaded: typed text is never added to the list nor
// completed from it, and only the shown text counts.
QComboBox* addComboBox(QWidget* parent, const char* name, Twips at, double points);
// Adds items at the end of the list, leaving the shown text as it was.
void addComboItems(QComboBox* box, const std::vector<std::string>& items);

QGroupBox* addFrame(QWidget* parent, const char* name, const QString& caption, Twips at, double points);
QRadioButton* addOptionButton(QWidget* parent, const char* name, const QString& caption, Twips at, double points);
QCheckBox* addCheckBox(QWidget* parent, const char* name, const QString& caption, Twips at, double points);

// A horizontal scroll bar: minimum 1, value 1, small change 1. It notifies a change of value once
// the value has changed (an arrow, a click in the track, the thumb released), not while dragging.
// A maximum set below the value moves the value to it, with the change notification.
class HorizontalScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit HorizontalScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {}

protected:
    // Qt's scroll bar turns the arrow keys round (its controls are inverted for the mouse wheel):
    // here the right arrow moves right and the left arrow left, as the bar shows them.
    void keyPressEvent(QKeyEvent* event) override;
};
HorizontalScrollBar* addScrollBar(QWidget* parent, const char* name, Twips at);

// Makes the keyboard focus visit the controls in this order.
void chainFocus(std::initializer_list<QWidget*> controls);

// Conversions between the logic's UTF-8 text and the controls' text.
inline QString qtext(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string utf8(const QString& text) {
    return text.toStdString();
}

}  // namespace callpad::ui
