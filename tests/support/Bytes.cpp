#include "support/Bytes.h"

namespace callpad::test {

std::string bytesFromHex(std::string_view hex) {
    std::string bytes;
    for (std::size_t i = hex.find_first_not_of(' '); i < hex.size(); i = hex.find_first_not_of(' ', i + 2)) {
        bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    }
    return bytes;
}

std::string hexDump(std::string_view bytes) {
    constexpr std::string_view kDigits = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += (out.empty() ? "" : " ") + std::string{kDigits[(c >> 4) & 15], kDigits[c & 15]};
    }
    return out;
}

::testing::AssertionResult sameBytes(std::string_view expected, std::string_view actual) {
    return expected == actual ? ::testing::AssertionSuccess()
                              : ::testing::AssertionFailure() << "bytes differ\n  expected: " << hexDump(expected)
                                                              << "\n  actual:   " << hexDump(actual);
}

}  // namespace callpad::test
