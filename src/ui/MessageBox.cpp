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
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("コールパッド"), text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace callpad::ui
