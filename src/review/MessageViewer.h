#pragma once

#include <string>

#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "messages/MessageTable.h"

namespace callpad {

// The message viewer without its window: the recipient's table, the message on screen, and the
// position scroll bar's value, maximum and large change (mirrored here so that a deletion can leave
// the bar where it was, as the screen expects).
class MessageViewer {
public:
    enum class DeleteOutcome { Deleted, NothingOnScreen, FileDamaged, NotInFile };

    // Opening for a recipient: empties the table, loads the file, shows message 1. Throws FileError.
    MessageLoad load(const DataFolder& folder, const std::string& recipient);

    // The scroll bar's value changed: show that message and renew the bar's range.
    void HSclNo_Change(int value);

    // 削除: removes the message on screen from the file, then from the table; the bar stays. While the
    // file is damaged nothing is removed. Throws FileError, and the table is then unchanged.
    DeleteOutcome CmdDel_Click(const DataFolder& folder);

    const std::string& recipient() const { return m_recipient; }
    const std::string& MessageFileName() const { return m_fileName; }
    const MessageTable& table() const { return m_table; }
    int MessageCount() const { return m_table.MessageCount(); }
    int CurrentNo() const { return m_currentNo; }
    bool isDamaged() const { return m_damaged; }

    // The message on screen; an empty one when the position lies outside the table.
    const PhoneMessage& currentMessage() const;
    // " 3/ 12": each number with one leading blank when it is zero or positive.
    std::string positionText() const;
    // Whether the call-back box is ticked: the flag read as a decimal number equals 1.
    bool callBackChecked() const;

    int scrollValue() const { return m_scrollValue; }
    int scrollMaximum() const { return m_scrollMaximum; }
    int largeChange() const { return m_largeChange; }

private:
    void SetScroll();

    std::string m_recipient;
    std::string m_fileName;
    MessageTable m_table;
    int m_currentNo = 1;
    bool m_damaged = false;
    int m_recordsAfterTable = 0;  // records after the 50th of the file at load
    int m_scrollValue = 1;
    int m_scrollMaximum = 1;
    int m_largeChange = 1;
};

}  // namespace callpad
