#include "ui/MessageBox.h"

#include <QMessageBox>

namespace callpad::ui {

namespace {
RecordedMessageBoxes* g_recorder = nullptr;
}

RecordedMessageBoxes::RecordedMessageBoxes() {
    g_recorder = this;
}

RecordedMessageBoxes::~RecordedMessageBoxes() {
    g_recorder = nullptr;
}

void showMessage(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("コールパッド"), QString(), QMessageBox::Ok, parent);
    // A name typed as "<b>x</b>" is quoted as typed, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    if (g_recorder) {
        g_recorder->m_texts.append(box.text());
        g_recorder->m_allPlainText = g_recorder->m_allPlainText && box.textFormat() == Qt::PlainText;
        return;
    }
    box.exec();
}

}  // namespace callpad::ui
