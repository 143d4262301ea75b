#include "ui/Screen.h"

#include <QCloseEvent>

#include "ui/ScreenRegistry.h"

namespace callpad::ui {

Screen::Screen(ScreenContext& context, const char* name) : QWidget(nullptr), m_context(context) {
    setObjectName(QString::fromLatin1(name));
    setAttribute(Qt::WA_DeleteOnClose);
}

void Screen::closeEvent(QCloseEvent* event) {
    m_context.registry.forget(this);
    QWidget::closeEvent(event);
}

}  // namespace callpad::ui
