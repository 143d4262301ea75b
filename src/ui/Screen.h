#pragma once

#include <QWidget>

#include <functional>

#include "records/Clock.h"
#include "records/DataFolder.h"

namespace callpad::ui {

class ScreenRegistry;

// What every screen is given: the registry that opens and closes screens, the data folder, the
// clock that stamps saved messages, and where the exported workbook goes (looked up at each export).
struct ScreenContext {
    ScreenRegistry& registry;
    DataFolder folder;
    std::function<LocalDateTime()> now = localNow;
    std::function<DataFolder()> workbookFolder = DataFolder::workbookFolderForThisMachine;
};

// A top-level window of the program. Its object name is its screen name ("FrmMein").
class Screen : public QWidget {
    Q_OBJECT
public:
    Screen(ScreenContext& context, const char* name);

    // The load step, run once when the screen is opened after being closed.
    virtual void Form_Load() {}

protected:
    ScreenContext& context() const { return m_context; }
    void closeEvent(QCloseEvent* event) override;
    // Once the window exists: its captions are fitted anew whenever it moves to another monitor.
    void showEvent(QShowEvent* event) override;

private:
    ScreenContext& m_context;
    bool m_followsScreen = false;
};

}  // namespace callpad::ui
