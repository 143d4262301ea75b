#pragma once

#include <string>
#include <vector>

#include "messages/PhoneMessage.h"
#include "records/TextRecordFile.h"

namespace callpad::test {

// A message whose fields all differ and name `party`, so that any mix-up of fields shows.
inline PhoneMessage sampleMessage(const std::string& party) {
    return {party,          party + "担当", "2026/12/01", "9:00:00", "1",
            "03-0000-0000", party + "の件", "至急",       "佐藤",    party + "様"};
}

// The record line of a message as the program writes it.
inline std::string recordOf(const PhoneMessage& message) {
    std::vector<std::string> fields;
    for (int n = 1; n <= PhoneMessage::kFieldCount; ++n) {
        fields.push_back(message.field(n));
    }
    return encodeRecord(fields);
}

inline std::string recordsOf(const std::vector<PhoneMessage>& messages) {
    std::string bytes;
    for (const auto& message : messages) {
        bytes += recordOf(message);
    }
    return bytes;
}

}  // namespace callpad::test
