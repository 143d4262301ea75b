#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace callpad::ui {

// The program's only pop-up: a modal box with the text, an OK button, no icon, and "コールパッド" as
// its caption. Returns when the user closes it.
void showMessage(QWidget* parent, const QString& text);

// Under test, boxes are recorded here instead of shown, and showMessage returns at once.
class RecordedMessageBoxes {
public:
    RecordedMessageBoxes();
    ~RecordedMessageBoxes();
    RecordedMessageBoxes(const RecordedMessageBoxes&) = delete;
    RecordedMessageBoxes& operator=(const RecordedMessageBoxes&) = delete;

    const QStringList& texts() const { return m_texts; }
    QString last() const { return m_texts.isEmpty() ? QString() : m_texts.last(); }
    // Whether every box so far shows its text as plain text, never as markup.
    bool allPlainText() const { return m_allPlainText; }
    void clear() { m_texts.clear(); }

private:
    friend void showMessage(QWidget*, const QString&);
    QStringList m_texts;
    bool m_allPlainText = true;
};

}  // namespace callpad::ui
