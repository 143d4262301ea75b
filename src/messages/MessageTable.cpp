#include "messages/MessageTable.h"

#include <stdexcept>
#include <utility>

namespace callpad {

const PhoneMessage& MessageTable::slot(int n) const {
    if (n < 0 || n > kCapacity) {
        throw std::out_of_range("a message table has slots 0 to 50");
    }
    return m_slots[n];
}

bool MessageTable::PrependMessage(const PhoneMessage& message) {
    if (isFull()) {
        return false;
    }
    for (int i = m_count + 1; i >= 2; --i) {
        m_slots[i] = std::move(m_slots[i - 1]);
    }
    m_slots[1] = message;
    ++m_count;
    return true;
}

void MessageTable::RemoveMessage(int p) {
    if (p < 1 || p > m_count) {
        throw std::out_of_range("no message at that position");
    }
    for (int i = p; i < m_count; ++i) {
        m_slots[i] = std::move(m_slots[i + 1]);
    }
    m_slots[m_count] = PhoneMessage{};
    --m_count;
}

void MessageTable::append(PhoneMessage message) {
    if (isFull()) {
        throw std::length_error("a message table holds 50 messages");
    }
    m_slots[++m_count] = std::move(message);
}

void MessageTable::clear() {
    m_slots.fill(PhoneMessage{});
    m_count = 0;
}

}  // namespace callpad
