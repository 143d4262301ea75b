#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "messages/PhoneMessage.h"

namespace callpad::bench {

// Message n (from 1) of the benchmark's files: an office's usual Japanese telephone message, with a
// content of one to three lines that differ from message to message.
PhoneMessage sampleMessage(int n);

// The fields of a message in file order.
std::vector<std::string> fieldsOf(const PhoneMessage& message);

// A message file of messages 1 to count, newest first, as the program writes it.
std::string messageFileBytes(int count);

// Records of sample messages, one after another, until the bytes reach at least `size`.
std::string largeFileBytes(std::size_t size);

}  // namespace callpad::bench
