#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "messages/PhoneMessage.h"
#include "records/DataFolder.h"

namespace callpad::test {

// Message n: every field holds n, the fields differ from each other and field 10 is unlike field 1, so
// that a mix-up of fields, of messages or of columns shows. The call-back flag is "1" for odd n.
PhoneMessage numberedMessage(int n);
// Messages first to last, in that order.
std::vector<PhoneMessage> numberedMessages(int first, int last);
// The n of each numberedMessage(n) in a message file, top first; fails the test when the file is not whole.
std::vector<int> numbersInFile(const DataFolder& folder, std::string_view path);

// The record lines of the messages as the program writes them.
std::string recordsOf(const std::vector<PhoneMessage>& messages);

}  // namespace callpad::test
