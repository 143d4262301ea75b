#include "ui/Controls.h"

#include <QKeyEvent>
#include <QStyle>

#include <limits>

namespace callpad::ui {

namespace {

constexpr int kNoLengthLimit = std::numeric_limits<int>::max();

template <typename Control>
Control* place(Control* control, const char* name, Twips at, double points) {
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(at.toPixels());
    control->setFont(gothicFont(points));
    return control;
}

// The width a control needs to show its text whole. A push button's size hint holds the style's
// minimum button width (80 pixels in Fusion); only its caption and margins must fit.
int neededWidth(QWidget* control) {
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        const int caption = button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width();
        return caption + 2 * (button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) + 1);
    }
    return control->sizeHint().width();
}

// Gives the control the widest face, in steps of 1 % down to three quarters, in which its text fits its
// width; the narrowest when none does. A control whose text fits keeps the plain face. Each face tried
// loads a font, so the range is halved instead of walked: a narrower face never makes the text wider.
void condenseToFit(QWidget* control) {
    constexpr int kNarrowest = 75;
    QFont font = control->font();
    const auto fitsIn = [&](int stretch) {
        font.setStretch(stretch);
        control->setFont(font);
        return captionFits(control);
    };
    if (fitsIn(QFont::Unstretched)) {
        return;
    }
    int widestFitting = kNarrowest;
    for (int low = kNarrowest, high = QFont::Unstretched - 1; low <= high;) {
        const int middle = (low + high) / 2;
        if (fitsIn(middle)) {
            widestFitting = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    if (font.stretch() != widestFitting) {
        font.setStretch(widestFitting);
        control->setFont(font);
    }
}

}  // namespace

QLabel* addLabel(QWidget* parent, const char* name, const QString& caption, Twips at, double points) {
    auto* label = place(new QLabel(caption, parent), name, at, points);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    condenseToFit(label);
    return label;
}

void refitCaptions(QWidget* screen) {
    for (QWidget* control : screen->findChildren<QWidget*>()) {
        if (isCaption(control)) {
            condenseToFit(control);
        }
    }
}

bool isCaption(const QWidget* control) {
    const auto* label = qobject_cast<const QLabel*>(control);
    return (label && !label->wordWrap()) || qobject_cast<const QAbstractButton*>(control);
}

bool captionFits(QWidget* control) {
    return neededWidth(control) <= control->width();
}

void setFittedText(QLabel* label, const QString& text) {
    label->setText(text);
    if (!label->wordWrap()) {
        condenseToFit(label);
    }
}

QLabel* addValueLabel(QWidget* parent, const char* name, Twips at, double points) {
    auto* label = addLabel(parent, name, QString(), at, points);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setBackground(label, rgb(kLightGrey));
    return label;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& caption, Twips at, double points,
                       unsigned colour) {
    auto* button = addButton(parent, name, caption, at, points);
    setColour(button, QPalette::Button, rgb(colour));
    return button;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& caption, Twips at, double points) {
    auto* button = place(new QPushButton(caption, parent), name, at, points);
    // Enter presses the focused button, as Space does and as in every Windows program: a push button
    // takes Enter only when it is auto-default. No screen has a default button that Enter presses from
    // elsewhere.
    button->setAutoDefault(true);
    condenseToFit(button);
    return button;
}

QLineEdit* addTextBox(QWidget* parent, const char* name, Twips at, double points) {
    auto* box = place(new QLineEdit(parent), name, at, points);
    box->setMaxLength(kNoLengthLimit);
    return box;
}

QString MultiLineTextBox::text() const {
    return toPlainText().replace(QChar('\n'), QStringLiteral("\r\n"));
}

void MultiLineTextBox::setText(const QString& text) {
    QString lines = text;
    setPlainText(lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

MultiLineTextBox* addMultiLineTextBox(QWidget* parent, const char* name, Twips at, double points) {
    auto* box = place(new MultiLineTextBox(parent), name, at, points);
    box->setTabChangesFocus(true);
    return box;
}

QComboBox* addComboBox(QWidget* parent, const char* name, Twips at, double points) {
    auto* box = place(new QComboBox(parent), name, at, points);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    box->setDuplicatesEnabled(true);
    box->lineEdit()->setMaxLength(kNoLengthLimit);
    return box;
}

void addComboItems(QComboBox* box, const std::vector<std::string>& items) {
    const QString shown = box->currentText();
    for (const auto& item : items) {
        box->addItem(qtext(item));
    }
    // Adding the first item would select it; the field keeps its own text.
    box->setCurrentIndex(-1);
    box->setEditText(shown);
}

QGroupBox* addFrame(QWidget* parent, const char* name, const QString& caption, Twips at, double points) {
    return place(new QGroupBox(caption, parent), name, at, points);
}

QRadioButton* addOptionButton(QWidget* parent, const char* name, const QString& caption, Twips at, double points) {
    auto* option = place(new QRadioButton(caption, parent), name, at, points);
    condenseToFit(option);
    return option;
}

QCheckBox* addCheckBox(QWidget* parent, const char* name, const QString& caption, Twips at, double points) {
    auto* box = place(new QCheckBox(caption, parent), name, at, points);
    condenseToFit(box);
    return box;
}

void HorizontalScrollBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Right || event->key() == Qt::Key_Left) {
        triggerAction(event->key() == Qt::Key_Right ? SliderSingleStepAdd : SliderSingleStepSub);
        event->accept();
        return;
    }
    QScrollBar::keyPressEvent(event);
}

HorizontalScrollBar* addScrollBar(QWidget* parent, const char* name, Twips at) {
    auto* bar = new HorizontalScrollBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setGeometry(at.toPixels());
    bar->setRange(1, 1);
    bar->setValue(1);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setTracking(false);
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

void chainFocus(std::initializer_list<QWidget*> controls) {
    const QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (previous) {
            QWidget::setTabOrder(const_cast<QWidget*>(previous), control);
        }
        previous = control;
    }
}

}  // namespace callpad::ui
