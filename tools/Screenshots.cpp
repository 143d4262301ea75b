// Takes a picture of each of the six screens, filled with sample data, for the README:
//   callpad_screenshots <output folder>
// Runs on any Qt platform (offscreen included); set QT_SCALE_FACTOR=2 for the 200% pictures.
// Fails when a screen or control is drawn in a face other than a Japanese Gothic one (a system's
// default face, a serif under Wine, or a bare fallback must not win over the program's font list), or
// when a caption is cut at the screen's scale.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>
#include <iostream>

#include "messages/MessageStore.h"
#include "names/NameList.h"
#include "shell/Program.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "ui/ScreenRegistry.h"

namespace {

using namespace callpad;

void prepareSampleData(const DataFolder& folder) {
    NameList reporters;
    reporters.NameCount = 3;
    reporters.slot[1] = "佐藤";
    reporters.slot[2] = "鈴木";
    reporters.slot[3] = "高橋";
    SaveNameList(folder, kReporterListPath, reporters);
    NameList recipients = reporters;
    recipients.slot[1] = "田中";
    SaveNameList(folder, kRecipientListPath, recipients);

    PhoneMessage older;
    older.CallerParty = older.CallerPartyCopy = "ABC商会";
    older.CallerPerson = "Smith";
    older.ReceivedDate = "2026/12/05";
    older.ReceivedTime = "17:45:00";
    older.CallBackFlag = "0";
    older.Deadline = "明朝";
    older.Reporter = "鈴木";
    saveNewMessage(folder, "c:\\田中callpad.txt", older);
    PhoneMessage newest;
    newest.CallerParty = newest.CallerPartyCopy = "山田商事";
    newest.CallerPerson = "山田太郎";
    newest.ReceivedDate = "2026/12/06";
    newest.ReceivedTime = "9:05:03";
    newest.CallBackFlag = "1";
    newest.PhoneNumber = "03-1234-5678";
    newest.MessageText = "見積書の件でお電話ください。\r\n午後は外出されるそうです。\r\n至急とのこと。";
    newest.Deadline = "至急";
    newest.Reporter = "佐藤";
    saveNewMessage(folder, "c:\\田中callpad.txt", newest);
}

bool drawnWell(QWidget* screen) {
    QList<QWidget*> widgets = screen->findChildren<QWidget*>();
    widgets.prepend(screen);
    bool well = true;
    for (QWidget* widget : widgets) {
        if (ui::isCaption(widget) && !ui::captionFits(widget)) {
            std::cout << widget->objectName().toStdString() << " is cut at " << screen->devicePixelRatioF()
                      << " device pixels per pixel\n";
            well = false;
        }
        // A control that keeps the system's own type (the list editors' instruction) follows the system.
        if (widget->font() == QApplication::font()) {
            continue;
        }
        const QString family = QFontInfo(widget->font()).family();
        if (!family.contains(QStringLiteral("Gothic")) && !family.contains(QStringLiteral("ゴシック"))) {
            std::cout << widget->objectName().toStdString() << " is drawn in " << family.toStdString()
                      << ", not in a Japanese Gothic face\n";
            well = false;
        }
    }
    return well;
}

bool save(ui::ScreenRegistry& registry, const char* name, const QString& folder) {
    QWidget* screen = registry.find(QString::fromLatin1(name));
    if (screen && !drawnWell(screen)) {
        return false;
    }
    const QString file = folder + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png");
    const bool saved = screen && screen->grab().save(file);
    std::cout << (saved ? "wrote " : "could not write ") << file.toStdString() << "\n";
    return saved;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: callpad_screenshots <output folder>\n";
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(output);
    setUpApplication(app);
    QApplication::setQuitOnLastWindowClosed(false);

    const auto data = std::filesystem::temp_directory_path() / "callpad-screenshots";
    std::filesystem::remove_all(data);
    ui::RecordedMessageBoxes quiet;
    ui::ScreenRegistry registry;
    ui::ScreenContext context{registry, DataFolder(data)};
    registry.setContext(&context);
    registerScreens(registry);
    prepareSampleData(context.folder);

    bool ok = true;
    registry.OpenScreen(QStringLiteral("FrmMein"));
    ok &= save(registry, "FrmMein", output);

    ui::Screen* entry = registry.OpenScreen(QStringLiteral("Frmrenraku"));
    entry->findChild<QLineEdit*>(QStringLiteral("Txtaite"))->setText(QStringLiteral("山田商事"));
    entry->findChild<QLineEdit*>(QStringLiteral("Txttantou"))->setText(QStringLiteral("山田太郎"));
    entry->findChild<QLineEdit*>(QStringLiteral("Txttelno"))->setText(QStringLiteral("03-1234-5678"));
    entry->findChild<ui::MultiLineTextBox*>(QStringLiteral("Txthoukoku"))
        ->setText(QStringLiteral("見積書の件でお電話ください。\r\n午後は外出されるそうです。"));
    entry->findChild<QComboBox*>(QStringLiteral("Cmbkigen"))->setEditText(QStringLiteral("至急"));
    entry->findChild<QComboBox*>(QStringLiteral("Cmbhosh"))->setEditText(QStringLiteral("佐藤"));
    entry->findChild<QComboBox*>(QStringLiteral("CmbUke"))->setEditText(QStringLiteral("田中"));
    ok &= save(registry, "Frmrenraku", output);

    ui::Screen* selection = registry.OpenScreen(QStringLiteral("FrmUkekaku"));
    selection->findChild<QComboBox*>(QStringLiteral("CmbKaku"))->setEditText(QStringLiteral("田中"));
    ok &= save(registry, "FrmUkekaku", output);
    selection->findChild<QPushButton*>(QStringLiteral("CmdNext"))->click();
    ok &= save(registry, "Frmrenuke", output);

    registry.OpenScreen(QStringLiteral("FrmTouroku"));
    ok &= save(registry, "FrmTouroku", output);
    registry.OpenScreen(QStringLiteral("FrmUkesha"));
    ok &= save(registry, "FrmUkesha", output);

    std::filesystem::remove_all(data);
    return ok ? 0 : 1;
}
