#pragma once

#include <optional>
#include <string>

#include "messages/PhoneMessage.h"
#include "messages/ReceivedStamp.h"
#include "records/DataFolder.h"
#include "records/TextRecordFile.h"

namespace callpad {

// The inputs of the message entry screen, exactly as typed.
struct MessageEntry {
    std::string party;        // where the call came from
    std::string person;       // who called
    bool callBack = false;    // the caller asks to be called back
    std::string phoneNumber;  // the caller's number
    std::string content;      // lines separated by CR LF
    std::string deadline;
    std::string reporter;   // who took the call
    std::string recipient;  // whose message file receives the message

    const std::string& text(TextInput input) const;
};

// The first refusal in the order the user visits the inputs, or nothing when the entry can be saved
// as typed. An empty recipient is allowed: it names "c:\callpad.txt".
std::optional<Refusal> checkEntry(const MessageEntry& entry);

// The message record of an entry saved at `moment`; the party goes into fields 1 and 10.
PhoneMessage buildMessage(const MessageEntry& entry, const LocalDateTime& moment);

}  // namespace callpad
