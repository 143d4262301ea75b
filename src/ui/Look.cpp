#include "ui/Look.h"

#include <QPalette>
#include <QWidget>

namespace callpad::ui {

QFont gothicFont(double points) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("Noto Sans CJK JP")});
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    return font;
}

void setBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setUpScreen(QWidget* screen, const QString& caption, int widthTwips, int heightTwips, unsigned background,
                 double points) {
    screen->setWindowTitle(caption);
    screen->setFixedSize(pixels(widthTwips), pixels(heightTwips));
    screen->setFont(gothicFont(points));
    setBackground(screen, rgb(background));
}

}  // namespace callpad::ui
