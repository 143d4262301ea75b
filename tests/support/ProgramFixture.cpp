#include "support/ProgramFixture.h"

#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "ui/Controls.h"

namespace callpad::test {

ProgramFixture::ProgramFixture()
    : m_context(std::make_unique<ui::ScreenContext>(ui::ScreenContext{
          m_registry, m_data.folder(), [] { return kFixedNow; }, [this] { return m_documents.folder(); }})) {
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
    bool all = texts.size() == count;
    for (const QString& part : parts) {
        all = all && m_messageBoxes.last().contains(part);
    }
    if (all) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << count << " box(es) saying \"" << ui::utf8(parts.join("\", \""))
                                         << "\" expected; " << texts.size()
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
    auto* button = control<QPushButton>(screenName, buttonName);
    ASSERT_TRUE(button);
    QTest::mouseClick(button, Qt::LeftButton);
    settle();
}

void ProgramFixture::settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void ProgramFixture::type(QWidget* box, const QString& text) {
    if (auto* combo = qobject_cast<QComboBox*>(box)) {
        box = combo->lineEdit();
    }
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(box, &commit);
}

void ProgramFixture::clickArrow(QScrollBar* bar, bool right) {
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(right ? bar->width() - 3 : 3, bar->height() / 2));
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
