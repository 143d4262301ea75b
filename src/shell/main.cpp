#include <QApplication>

#include "shell/Program.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    callpad::setUpApplication(app);
    callpad::ui::ScreenRegistry registry;
    callpad::ui::ScreenContext context{registry, callpad::DataFolder::forThisMachine()};
    registry.setContext(&context);
    callpad::registerScreens(registry);
    registry.OpenScreen(QString::fromLatin1(callpad::ui::ScreenRegistry::kMenu));
    return app.exec();
}
