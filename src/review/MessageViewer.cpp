#include "review/MessageViewer.h"

#include <algorithm>
#include <charconv>

namespace callpad {

namespace {

// A number as text with one leading blank when it is zero or positive: 3 -> " 3", -1 -> "-1".
std::string numberWithSign(int n) {
    std::string text = std::to_string(n);
    if (n >= 0) {
        text.insert(text.begin(), ' ');
    }
    return text;
}

// The number a text starts with, after leading blanks, as a decimal number; 0 when it has none.
double leadingNumber(const std::string& text) {
    const std::size_t start = std::min(text.find_first_not_of(' '), text.size());
    const char* first = text.data() + start;
    if (first != text.data() + text.size() && *first == '+') {
        ++first;
    }
    double value = 0;
    std::from_chars(first, text.data() + text.size(), value, std::chars_format::fixed);
    return value;
}

}  // namespace

MessageLoad MessageViewer::load(const DataFolder& folder, const std::string& recipient) {
    m_recipient = recipient;
    m_fileName = MessageFilePath(recipient);
    m_table.clear();
    const MessageLoad result = LoadMessages(folder, m_fileName, m_table);
    m_damaged = result.damaged;
    m_recordsAfterTable = result.recordsBeyondCapacity;
    m_currentNo = 1;
    m_scrollValue = 1;
    SetScroll();
    return result;
}

void MessageViewer::HSclNo_Change(int value) {
    m_scrollValue = value;
    m_currentNo = value;
    SetScroll();
}

MessageViewer::DeleteOutcome MessageViewer::CmdDel_Click(const DataFolder& folder) {
    if (m_currentNo < 1 || m_currentNo > m_table.MessageCount()) {
        return DeleteOutcome::NothingOnScreen;
    }
    if (m_damaged) {
        return DeleteOutcome::FileDamaged;
    }
    // Write first: the table changes only once the file has.
    const DeleteResult written = deleteMessageFromFile(folder, m_fileName, m_table, m_currentNo, m_recordsAfterTable);
    if (written == DeleteResult::FileDamaged) {
        m_damaged = true;
        return DeleteOutcome::FileDamaged;
    }
    m_table.RemoveMessage(m_currentNo);
    m_currentNo = std::max(1, m_currentNo - 1);
    return written == DeleteResult::Deleted ? DeleteOutcome::Deleted : DeleteOutcome::NotInFile;
}

const PhoneMessage& MessageViewer::currentMessage() const {
    static const PhoneMessage kEmpty;
    return m_currentNo >= 0 && m_currentNo <= MessageTable::kCapacity ? m_table.slot(m_currentNo) : kEmpty;
}

std::string MessageViewer::positionText() const {
    return numberWithSign(m_currentNo) + "/" + numberWithSign(m_table.MessageCount());
}

bool MessageViewer::callBackChecked() const {
    return leadingNumber(currentMessage().CallBackFlag) == 1.0;
}

// The bar's maximum follows the count and its large change a tenth of it, at least 1. A maximum
// below the value moves the bar, which is a further change.
void MessageViewer::SetScroll() {
    m_scrollMaximum = std::max(1, m_table.MessageCount());
    m_largeChange = std::max(1, m_table.MessageCount() / 10);
    if (m_scrollValue > m_scrollMaximum) {
        HSclNo_Change(m_scrollMaximum);
    }
}

}  // namespace callpad
