#include "shell/Program.h"

#include <QStyleFactory>

#include "shell/FrmMein.h"

namespace callpad {

void setUpApplication(QApplication& app) {
    // Fusion paints a button's own palette colour, as the menu's coloured buttons need.
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    app.setApplicationName(QStringLiteral("callpad"));
    app.setApplicationDisplayName(QString());
}

void registerScreens(ui::ScreenRegistry& registry) {
    registry.add(QStringLiteral("FrmMein"), [](ui::ScreenContext& context) { return new FrmMein(context); });
}

}  // namespace callpad
