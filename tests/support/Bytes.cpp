#include "support/Bytes.h"

#include <cstdio>

namespace callpad::test {

std::string bytesFromHex(std::string_view hex) {
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += hex[i] == ' ' ? 1 : 2) {
        if (hex[i] != ' ') {
            bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
        }
    }
    return bytes;
}

std::string hexDump(std::string_view bytes) {
    std::string out;
    char buffer[4];
    for (const char c : bytes) {
        std::snprintf(buffer, sizeof buffer, out.empty() ? "%02x" : " %02x", static_cast<unsigned char>(c));
        out += buffer;
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
