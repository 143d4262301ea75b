#include "support/Bytes.h"

#include <cstdio>

namespace callpad::test {

std::string bytesFromHex(std::string_view hex) {
    std::string bytes;
    std::string digits;
    for (const char c : hex) {
        if (c == ' ') {
            continue;
        }
        digits += c;
        if (digits.size() == 2) {
            bytes += static_cast<char>(std::stoi(digits, nullptr, 16));
            digits.clear();
        }
    }
    return bytes;
}

std::string hexDump(std::string_view bytes) {
    std::string out;
    char buffer[4];
    for (const char c : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned char>(c));
        out += (out.empty() ? "" : " ") + std::string(buffer);
    }
    return out;
}

::testing::AssertionResult sameBytes(std::string_view expected, std::string_view actual) {
    if (expected == actual) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "bytes differ\n  expected: " << hexDump(expected)
                                         << "\n  actual:   " << hexDump(actual);
}

}  // namespace callpad::test
