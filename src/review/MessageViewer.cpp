#include "review/MessageViewer.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

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
    return result;
}

// The bar's own rule, once: a value above the maximum that the count now gives moves down to it, and
// that move is the change that decides what is shown.
void MessageViewer::show(int value) {
    if (value < 1 || value > MessageTable::kCapacity) {
        throw std::out_of_range("the scroll bar offers positions 1 to 50");
    }
    m_currentNo = std::min(value, scrollMaximum());
}

std::optional<DeleteResult> MessageViewer::deleteShownMessage(const DataFolder& folder) {
    if (m_currentNo > m_table.MessageCount()) {
        return std::nullopt;
    }
    if (m_damaged) {
        return DeleteResult::FileDamaged;
    }
    // Write first: the table changes only once the file has.
    const DeleteResult written = deleteMessageFromFile(folder, m_fileName, m_table, m_currentNo, m_recordsAfterTable);
    if (written == DeleteResult::FileDamaged) {
        m_damaged = true;
        return written;
    }
    m_table.RemoveMessage(m_currentNo);
    m_currentNo = std::max(1, m_currentNo - 1);
    return written;
}

const PhoneMessage& MessageViewer::currentMessage() const {
    return m_table.slot(m_currentNo);
}

std::string MessageViewer::positionText() const {
    return numberWithSign(m_currentNo) + "/" + numberWithSign(m_table.MessageCount());
}

bool MessageViewer::callBackChecked() const {
    return leadingNumber(currentMessage().CallBackFlag) == 1.0;
}

}  // namespace callpad
