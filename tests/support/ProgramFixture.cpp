#include "support/ProgramFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>

#include <algorithm>

#include "ui/Controls.h"

namespace callpad::test {

ProgramFixture::~ProgramFixture() {
    QApplication::closeAllWindows();
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
        return {window->objectName() + " is not active"};
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
