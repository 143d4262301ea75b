#include "ui/Screen.h"

#include <QCloseEvent>
#include <QWindow>

#include "ui/Controls.h"
#include "ui/ScreenRegistry.h"

namespace callpad::ui {

Screen::Screen(ScreenContext& context, const char* name) : QWidget(nullptr), m_context(context) {
    setObjectName(QString::fromLatin1(name));
    setAttribute(Qt::WA_DeleteOnClose);
}

void Screen::showEvent(QShowEvent* event) {
    if (!m_followsScreen && windowHandle()) {
        m_followsScreen = true;
        connect(windowHandle(), &QWindow::screenChanged, this, [this] { refitCaptions(this); });
    }
    QWidget::showEvent(event);
}

void Screen::closeEvent(QCloseEvent* event) {
    m_context.registry.forget(this);
    QWidget::closeEvent(event);
}

}  // namespace callpad::ui
