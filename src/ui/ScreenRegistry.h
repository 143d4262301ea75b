#pragma once

#include <QPointer>
#include <QString>

#include <functional>
#include <map>

#include "ui/Screen.h"

namespace callpad::ui {

// At most one instance of each screen, reachable by its name. A screen is either open (created,
// loaded, shown) or closed (no window); nothing is ever hidden.
class ScreenRegistry {
public:
    static constexpr const char* kMenu = "FrmMein";
    using Factory = std::function<Screen*(ScreenContext&)>;

    // Screens are created through their factory; the context is handed to each.
    void add(const QString& name, Factory factory);
    void setContext(ScreenContext* context) { m_context = context; }

    // Opens a closed screen (create, load step, show, activate) or only brings an open one to the
    // front. Returns the screen. A failing load step is reported; the screen opens all the same.
    Screen* OpenScreen(const QString& name);
    // Closes the screen and brings the menu to the front, creating a new menu if it was closed.
    void ReturnToMenu(Screen* caller);
    // Closes a screen without bringing the menu forward.
    void closeScreen(const QString& name);
    // The open screen of that name, or nullptr.
    Screen* find(const QString& name) const;
    // Ends the program at once: every window closes, nothing is asked or saved.
    void endProgram();

    // Called by a screen as its window closes, whichever way it is closed.
    void forget(Screen* screen);

private:
    std::map<QString, Factory> m_factories;
    std::map<QString, QPointer<Screen>> m_open;
    ScreenContext* m_context = nullptr;
};

}  // namespace callpad::ui
