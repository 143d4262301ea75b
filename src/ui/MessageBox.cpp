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
    if (g_recorder) {
        g_recorder->m_texts.append(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("コールパッド"), QString(), QMessageBox::Ok, parent);
    // A name typed as "<b>x</b>" is quoted as typed, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.exec();
}

}  // namespace callpad::ui
