#pragma once

#include <algorithm>
#include <optional>
#include <string>

#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "messages/MessageTable.h"

namespace callpad {

// The message viewer without its window: the recipient's table and the position of the message on
// screen. The scroll bar's range follows the table; the screen keeps the bar's own value.
class MessageViewer {
public:
    // Opening the viewer for a recipient: empties the table, loads the file, shows message 1.
    // Throws FileError.
    MessageLoad load(const DataFolder& folder, const std::string& recipient);

    // The scroll bar moved to `value` (1 to 50): shows that message, or the last one when the bar
    // still offers positions that a deletion removed.
    void show(int value);

    // 削除: removes the message on screen from the file, then from the table, and shows the one
    // before it. Nothing when no message is on screen. While the file is damaged nothing is removed.
    // Throws FileError, and the table is then unchanged.
    std::optional<DeleteResult> deleteShownMessage(const DataFolder& folder);

    const std::string& recipient() const { return m_recipient; }
    const std::string& MessageFileName() const { return m_fileName; }
    const MessageTable& table() const { return m_table; }
    int MessageCount() const { return m_table.MessageCount(); }
    int CurrentNo() const { return m_currentNo; }
    bool isDamaged() const { return m_damaged; }

    // The message on screen; an empty one when the table is empty.
    const PhoneMessage& currentMessage() const;
    // " 3/ 12": each number with one leading blank when it is zero or positive.
    std::string positionText() const;
    // Whether the call-back box is ticked: the flag read as a decimal number equals 1.
    bool callBackChecked() const;

    // The bar's range once it moves: 1 to the count (at least 1), a tenth of it per page (at least 1).
    int scrollMaximum() const { return std::max(1, m_table.MessageCount()); }
    int largeChange() const { return std::max(1, m_table.MessageCount() / 10); }

private:
    std::string m_recipient;
    std::string m_fileName;
    MessageTable m_table;
    int m_currentNo = 1;
    bool m_damaged = false;
    int m_recordsAfterTable = 0;  // records after the 50th of the file at load
};

}  // namespace callpad
