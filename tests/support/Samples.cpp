#include "support/Samples.h"

#include <gtest/gtest.h>

#include "messages/MessageFile.h"
#include "records/TextRecordFile.h"

namespace callpad::test {

PhoneMessage numberedMessage(int n) {
    const std::string s = std::to_string(n);
    return {"相手" + s, "担当" + s, "2026/12/" + s, "9:" + s,   n % 2 ? "1" : "0",
            "03-" + s,  "内容" + s, "期限" + s,     "受付" + s, "写し" + s};
}

std::vector<PhoneMessage> numberedMessages(int first, int last) {
    std::vector<PhoneMessage> messages;
    for (int n = first; n <= last; ++n) {
        messages.push_back(numberedMessage(n));
    }
    return messages;
}

std::vector<int> numbersInFile(const DataFolder& folder, std::string_view path) {
    MessageTable table;
    EXPECT_TRUE(LoadMessages(folder, path, table).isWhole());
    std::vector<int> numbers;
    for (int i = 1; i <= table.MessageCount(); ++i) {
        numbers.push_back(std::stoi(table.slot(i).CallerParty.substr(std::string_view("相手").size())));
    }
    return numbers;
}

std::string recordsOf(const std::vector<PhoneMessage>& messages) {
    std::string bytes;
    std::vector<std::string> fields(PhoneMessage::kFieldCount);
    for (const auto& message : messages) {
        for (int n = 1; n <= PhoneMessage::kFieldCount; ++n) {
            fields[n - 1] = message.field(n);
        }
        bytes += encodeRecord(fields);
    }
    return bytes;
}

}  // namespace callpad::test
