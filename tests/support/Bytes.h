#pragma once

#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace callpad::test {

// "22 61 62 22" -> the four bytes; spaces are ignored.
std::string bytesFromHex(std::string_view hex);
// The bytes as "22 61 62 22", for readable failure output.
std::string hexDump(std::string_view bytes);

// Compares two byte strings and shows both as hex when they differ.
::testing::AssertionResult sameBytes(std::string_view expected, std::string_view actual);

}  // namespace callpad::test
