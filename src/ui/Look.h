#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>

class QWidget;

namespace callpad::ui {

// Positions and sizes are given in twips; a logical pixel is 15 twips (96 dpi).
constexpr int kTwipsPerPixel = 15;
constexpr int pixels(int twips) {
    return twips / kTwipsPerPixel;
}

// A rectangle given as left, top, width, height in twips.
struct Twips {
    int left, top, width, height;
    QRect toPixels() const { return {pixels(left), pixels(top), pixels(width), pixels(height)}; }
};

// A colour written as its RGB bytes, 0xC0D3E2 for RGB C0 D3 E2.
inline QColor rgb(unsigned value) {
    return QColor::fromRgb(static_cast<QRgb>(value));
}

// The screens' colours.
inline constexpr unsigned kBlueGrey = 0xC0D3E2;
inline constexpr unsigned kPaleGreen = 0xA6DDA6;
inline constexpr unsigned kPaleYellow = 0xFFFFC0;
inline constexpr unsigned kYellow = 0xFFFF00;
inline constexpr unsigned kLightGreen = 0x80FF80;
inline constexpr unsigned kLightGrey = 0xE0E0E0;
inline constexpr unsigned kLightCyan = 0x80FFFF;
inline constexpr unsigned kWhite = 0xFFFFFF;

// The proportional Gothic face, with the faces that stand in for it where it is missing.
QFont gothicFont(double points);

// Gives the widget's background of that role (Window, Button or Base) the colour, and the text on it
// black, so that it stays readable whatever palette the system gives (a dark or contrast theme).
void setColour(QWidget* widget, QPalette::ColorRole background, const QColor& colour);

// Fills the widget's background with the colour (a screen, or a grey value box), its text black.
void setBackground(QWidget* widget, const QColor& colour);

// Gives a top-level screen its caption, client size in twips, background and default font.
void setUpScreen(QWidget* screen, const QString& caption, int widthTwips, int heightTwips, unsigned background,
                 double points);

}  // namespace callpad::ui
