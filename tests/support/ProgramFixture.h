#pragma once

#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>

#include "shell/Program.h"
#include "support/TempFolder.h"
#include "ui/MessageBox.h"
#include "ui/ScreenRegistry.h"

namespace callpad::test {

// The whole program on a temporary data folder, with a fixed clock (2026-12-06 09:05:03) and message
// boxes recorded instead of shown. The menu is open at the start, as after a real start. The screen
// tests' fixtures derive from it.
class ProgramFixture {
public:
    ProgramFixture() {
        m_registry.setContext(&m_context);
        registerScreens(m_registry);
        m_registry.OpenScreen(QString::fromLatin1(ui::ScreenRegistry::kMenu));
    }
    ~ProgramFixture();

    ui::ScreenRegistry& registry() { return m_registry; }
    const TempFolder& data() const { return m_data; }
    // The folder the workbook is exported to.
    const TempFolder& documents() const { return m_documents; }
    // The real path of a file of the folder, as messages must name it: "/tmp/callpad-test-1-0/田中callpad.txt".
    static QString realPath(const TempFolder& folder, std::string_view name) {
        return QString::fromUtf8(folder.root().string() + "/" + std::string(name));
    }
    ui::RecordedMessageBoxes& messageBoxes() { return m_messageBoxes; }
    // Whether `count` boxes were shown so far and the last says every part; all the texts when not.
    ::testing::AssertionResult said(qsizetype count, const QStringList& parts = {}) const;

    bool isOpen(const char* name) { return m_registry.find(QString::fromLatin1(name)) != nullptr; }
    // The open screen of that name; fails the test when it is not open.
    ui::Screen* screen(const char* name) {
        if (ui::Screen* found = m_registry.find(QString::fromLatin1(name))) {
            return found;
        }
        ADD_FAILURE() << name << " is not open";
        throw std::runtime_error("screen not open");
    }
    // A control of an open screen, by its object name; fails the test when there is none.
    template <typename Control>
    Control* control(const char* screenName, const char* controlName) {
        if (auto* found = screen(screenName)->findChild<Control*>(QString::fromLatin1(controlName))) {
            return found;
        }
        ADD_FAILURE() << screenName << " has no control " << controlName;
        throw std::runtime_error("no such control");
    }
    // Clicks a button of an open screen, then lets what the click set off run.
    void click(const char* screenName, const char* buttonName) {
        QTest::mouseClick(control<QPushButton>(screenName, buttonName), Qt::LeftButton);
        settle();
    }
    // Lets deferred deletions and events run.
    static void settle() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    // Types text into a box as a Japanese input method commits it; QTest::keyClicks only types Latin-1.
    static void type(QWidget* box, const QString& text);
    // Clicks the arrow at one end of a scroll bar.
    static void clickArrow(QScrollBar* bar, bool right) {
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(right ? bar->width() - 3 : 3, bar->height() / 2));
    }
    // The object names of the controls that the keyboard focus visits in the window, activated: where it
    // is, then after each of `presses` Tab keys. The edit box of a combo box counts as the combo box.
    static QStringList tabOrder(QWidget* window, int presses);

private:
    TempFolder m_data;
    TempFolder m_documents;
    ui::RecordedMessageBoxes m_messageBoxes;
    ui::ScreenRegistry m_registry;
    ui::ScreenContext m_context{m_registry, m_data.folder(), [] { return LocalDateTime{2026, 12, 6, 9, 5, 3}; },
                                [this] { return m_documents.folder(); }};
};

}  // namespace callpad::test
