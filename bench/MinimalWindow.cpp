// The toolkit's floor for start-up: a Qt Widgets program that shows one empty window of the main menu's
// size and waits, as the program does. With --label the window also holds one line of Japanese text in
// the program's Gothic face in a layout, which sizes it before the window is shown: the floor of any
// window that lays out text, with the font database, the face and the text layout.

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <cstring>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("minimal"));
    window.setFixedSize(428, 231);
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0) {
        auto* layout = new QVBoxLayout(&window);
        auto* label = new QLabel(QStringLiteral("コールパッドＶ0.01"));
        QFont font;
        font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
        font.setPointSizeF(18);
        label->setFont(font);
        layout->addWidget(label);
    }
    window.show();
    return app.exec();
}
