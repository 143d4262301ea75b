#pragma once

#include <array>

#include "messages/PhoneMessage.h"

namespace callpad {

// One message file in memory: records in slots 1 to MessageCount(), newest first. Slot 0 is never
// a record. Capacity 50, the limit of a message file.
class MessageTable {
public:
    static constexpr int kCapacity = 50;

    int MessageCount() const { return m_count; }
    bool isFull() const { return m_count == kCapacity; }

    // Slot 0 to 50; slots above the count are not records.
    const PhoneMessage& slot(int n) const;

    // Puts the message in slot 1 and moves the others one place back. False, and nothing changes,
    // when the table is full.
    bool PrependMessage(const PhoneMessage& message);

    // Removes record p (1 <= p <= count); later records move up, the freed slot is emptied.
    void RemoveMessage(int p);

    // Adds a record after the last one (used while loading a file). The table must not be full.
    void append(PhoneMessage message);

    // Empties every slot and sets the count to 0.
    void clear();

private:
    std::array<PhoneMessage, kCapacity + 1> m_slots{};
    int m_count = 0;
};

}  // namespace callpad
