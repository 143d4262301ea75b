#include "ui/ScreenRegistry.h"

#include <QApplication>

#include "ui/Handlers.h"

namespace callpad::ui {

void ScreenRegistry::add(const QString& name, Factory factory) {
    m_factories[name] = std::move(factory);
}

Screen* ScreenRegistry::OpenScreen(const QString& name) {
    if (Screen* open = find(name)) {
        open->raise();
        open->activateWindow();
        return open;
    }
    Screen* screen = m_factories.at(name)(*m_context);
    m_open[name] = screen;
    runHandler(screen, [screen] { screen->Form_Load(); });
    // The load step may have closed another screen or reported a failure; the screen shows anyway.
    screen->show();
    screen->raise();
    screen->activateWindow();
    return screen;
}

void ScreenRegistry::ReturnToMenu(Screen* caller) {
    caller->close();
    OpenScreen(QString::fromLatin1(kMenu));
}

void ScreenRegistry::closeScreen(const QString& name) {
    if (Screen* screen = find(name)) {
        screen->close();
    }
}

Screen* ScreenRegistry::find(const QString& name) const {
    const auto it = m_open.find(name);
    return it == m_open.end() ? nullptr : it->second.data();
}

void ScreenRegistry::endProgram() {
    m_open.clear();
    QApplication::closeAllWindows();
    QApplication::quit();
}

void ScreenRegistry::forget(Screen* screen) {
    for (auto it = m_open.begin(); it != m_open.end(); ++it) {
        if (it->second == screen) {
            m_open.erase(it);
            return;
        }
    }
}

}  // namespace callpad::ui
