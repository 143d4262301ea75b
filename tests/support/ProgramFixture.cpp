#include "support/ProgramFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "shell/Program.h"
#include "ui/Controls.h"

namespace callpad::test {

ProgramFixture::ProgramFixture()
    : m_context(std::make_unique<ui::ScreenContext>(
          ui::ScreenContext{m_registry, m_data.folder(), [] { return LocalDateTime{2026, 12, 6, 9, 5, 3}; },
                            [this] { return m_documents.folder(); }})) {
    m_registry.setContext(m_context.get());
    registerScreens(m_registry);
    m_registry.OpenScreen(QString::fromLatin1(ui::ScreenRegistry::kMenu));
}

ProgramFixture::~ProgramFixture() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* screenWindow = qobject_cast<ui::Screen*>(window)) {
            screenWindow->close();
        }
    }
    settle();
}

::testing::AssertionResult ProgramFixture::said(qsizetype count, const QStringList& parts) const {
    const QStringList& texts = m_messageBoxes.texts();
    const auto inLast = [&](const QString& part) { return m_messageBoxes.last().contains(part); };
    return (texts.size() == count && std::all_of(parts.begin(), parts.end(), inLast) ? ::testing::AssertionSuccess()
                                                                                     : ::testing::AssertionFailure())
           << count << " box(es) saying \"" << ui::utf8(parts.join("\", \"")) << "\" expected; " << texts.size()
           << " shown: " << ui::utf8(texts.join(" | "));
}

ui::Screen* ProgramFixture::screen(const char* name) {
    ui::Screen* found = m_registry.find(QString::fromLatin1(name));
    if (!found) {
        ADD_FAILURE() << name << " is not open";
        throw std::runtime_error("screen not open");
    }
    return found;
}

void ProgramFixture::click(const char* screenName, const char* buttonName) {
    if (auto* button = control<QPushButton>(screenName, buttonName)) {
        QTest::mouseClick(button, Qt::LeftButton);
        settle();
    }
}

void ProgramFixture::type(QWidget* box, const QString& text) {
    if (auto* combo = qobject_cast<QComboBox*>(box)) {
        box = combo->lineEdit();
    }
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(box, &commit);
}

QStringList ProgramFixture::tabOrder(QWidget* window, int presses) {
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window)) {
        ADD_FAILURE() << window->objectName().toStdString() << " does not become the active window";
        return {};
    }
    const auto focusName = [] {
        QWidget* focus = QApplication::focusWidget();
        return (qobject_cast<QComboBox*>(focus->parentWidget()) ? focus->parentWidget() : focus)->objectName();
    };
    QStringList order{focusName()};
    for (int i = 0; i < presses; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << focusName();
    }
    return order;
}

}  // namespace callpad::test
