#pragma once

#include <QApplication>

#include "ui/ScreenRegistry.h"

namespace callpad {

// The application's one-time set-up: the style that shows coloured buttons, and every screen
// registered under its name.
void setUpApplication(QApplication& app);
void registerScreens(ui::ScreenRegistry& registry);

}  // namespace callpad
