#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace callpad {

// Code page 932 as Windows reads and writes it, from tables built into the program (Cp932Mapping.txt), so
// that Linux and Windows read and write the same. That includes the single bytes 80, A0, FD, FE and FF
// (U+0080, U+F8F0 to U+F8F3), which glibc's converter rejects, so that such files read and write back
// unchanged.

// Code page 932 bytes -> UTF-8, or nothing when the bytes hold a sequence that code page 932 does
// not define (the file is damaged). "\x8e\x8a\x8b\x7d" -> "至急".
std::optional<std::string> decodeCp932(std::string_view bytes);

// The result of encoding: the bytes, or the first character that would not read back as itself.
struct Cp932Encoding {
    std::string bytes;
    std::optional<std::string> unencodable;  // the offending character, as UTF-8
};

// UTF-8 -> code page 932 bytes. "至急" -> "\x8e\x8a\x8b\x7d". A character that code page 932 lacks,
// or that would come back as another one (a half-width ¥ would come back as a backslash), is
// reported and no bytes are given. The substitutions that Windows makes too and that Japanese input
// methods commonly produce (〜 → ～, − → －, ‖ → ∥, — → ―, ¢ → ￠, £ → ￡, ¬ → ￢) are accepted.
// Characters with two codes are written with the IBM code, as Windows writes them.
Cp932Encoding encodeCp932(std::string_view utf8);

// Appends the bytes that encodeCp932 gives to `out`, for writers that build a line. When a character
// cannot be written, `out` is left as it was and the character is returned, as UTF-8.
std::optional<std::string> appendCp932(std::string& out, std::string_view utf8);

}  // namespace callpad
