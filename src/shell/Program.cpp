#include "shell/Program.h"

#include <QStyleFactory>

#include "messages/Frmrenraku.h"
#include "names/NameListEditorScreen.h"
#include "review/FrmUkekaku.h"
#include "review/Frmrenuke.h"
#include "shell/FrmMein.h"

namespace callpad {

void setUpApplication(QApplication& app) {
    // Fusion paints a button's own palette colour, as the menu's coloured buttons need.
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    app.setApplicationName(QStringLiteral("callpad"));
    app.setDesktopFileName(QStringLiteral("jp.callpad.Callpad"));
    app.setApplicationDisplayName(QString());
}

void registerScreens(ui::ScreenRegistry& registry) {
    registry.add(QStringLiteral("FrmMein"), [](ui::ScreenContext& context) { return new FrmMein(context); });
    registry.add(QStringLiteral("FrmUkekaku"), [](ui::ScreenContext& context) { return new FrmUkekaku(context); });
    registry.add(QStringLiteral("Frmrenuke"), [](ui::ScreenContext& context) { return new Frmrenuke(context); });
    registry.add(QStringLiteral("Frmrenraku"), [](ui::ScreenContext& context) { return new Frmrenraku(context); });
    registry.add(QStringLiteral("FrmTouroku"), [](ui::ScreenContext& context) {
        return new NameListEditorScreen(context, NameListEditorScreen::kReporters);
    });
    registry.add(QStringLiteral("FrmUkesha"), [](ui::ScreenContext& context) {
        return new NameListEditorScreen(context, NameListEditorScreen::kRecipients);
    });
}

}  // namespace callpad
