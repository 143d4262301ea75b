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

void setColour(QWidget* widget, QPalette::ColorRole background, const QColor& colour) {
    // The text that stands on each background, which a dark or contrast theme would make light.
    const QPalette::ColorRole text = background == QPalette::Button ? QPalette::ButtonText
                                     : background == QPalette::Base ? QPalette::Text
                                                                    : QPalette::WindowText;
    QPalette palette = widget->palette();
    palette.setColor(background, colour);
    palette.setColor(text, Qt::black);
    widget->setPalette(palette);
}

void setBackground(QWidget* widget, const QColor& colour) {
    setColour(widget, QPalette::Window, colour);
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
