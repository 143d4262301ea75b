#include "records/Cp932.h"

#include <cstdint>
#include <cstring>

#include "Cp932Tables.h"

namespace callpad {

namespace {

using namespace cp932;  // the tables, generated from Cp932Mapping.txt

// Reads one UTF-8 character at `pos` and advances; returns nothing for a malformed sequence.
std::optional<char32_t> nextUtf8(std::string_view s, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned first = byte(pos);
    int length = first < 0x80 ? 1 : (first >> 5) == 0x6 ? 2 : (first >> 4) == 0xE ? 3 : (first >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || pos + length > s.size()) {
        return std::nullopt;
    }
    char32_t c = length == 1 ? first : first & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const unsigned next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        c = (c << 6) | (next & 0x3F);
    }
    pos += length;
    return c;
}

// The code of a character, or kNoCode. U+4E00 -> 0x88EA.
std::uint16_t codeOf(char32_t c) {
    return c < 0x10000 ? kEncode[kEncodePage[c >> 8] * 256u + (c & 0xFF)] : kNoCode;
}

// Decodes into `out`, which has room for three bytes for each byte of input, the most a character of code
// page 932 takes in UTF-8. Returns the end of what was written, or nullptr for bytes that code page 932
// does not define.
char* decodeInto(std::string_view bytes, char* out) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = in + bytes.size();
    while (in != end) {
        const unsigned b = *in++;
        if (b < 0x80) {
            *out++ = static_cast<char>(b);
            continue;
        }
        char16_t c = kSingle[b];
        if (c == kLeadByte) {
            if (in == end) {
                return nullptr;
            }
            c = kPairs[kPairRow[b] * 256u + *in++];
        }
        if (c == kUndefined) {
            return nullptr;
        }
        if (c >= 0x800) {
            out[0] = static_cast<char>(0xE0 | (c >> 12));
            out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[2] = static_cast<char>(0x80 | (c & 0x3F));
            out += 3;
        } else if (c >= 0x80) {
            out[0] = static_cast<char>(0xC0 | (c >> 6));
            out[1] = static_cast<char>(0x80 | (c & 0x3F));
            out += 2;
        } else {
            *out++ = static_cast<char>(c);
        }
    }
    return out;
}

// True when every byte is ASCII, which reads the same in code page 932 and UTF-8; tested eight at a time.
bool isAscii(std::string_view bytes) {
    std::size_t i = 0;
    std::uint64_t high = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        high |= word;
    }
    for (; i < bytes.size(); ++i) {
        high |= static_cast<unsigned char>(bytes[i]);
    }
    return (high & 0x8080808080808080u) == 0;
}

}  // namespace

std::optional<std::string> decodeCp932(std::string_view bytes) {
    if (isAscii(bytes)) {
        return std::string(bytes);
    }
    // A field's text fits a buffer on the stack and is copied once into a string of its own size.
    constexpr std::size_t kStackInput = 512;
    if (bytes.size() <= kStackInput) {
        char buffer[3 * kStackInput];
        const char* end = decodeInto(bytes, buffer);
        if (!end) {
            return std::nullopt;
        }
        return std::string(buffer, static_cast<std::size_t>(end - buffer));
    }
    std::string out(3 * bytes.size(), '\0');
    const char* end = decodeInto(bytes, out.data());
    if (!end) {
        return std::nullopt;
    }
    out.resize(static_cast<std::size_t>(end - out.data()));
    return out;
}

std::optional<std::string> appendCp932(std::string& out, std::string_view utf8) {
    // No character takes more bytes in code page 932 than in UTF-8, so the bytes fit the text's length.
    const std::size_t start = out.size();
    out.resize(start + utf8.size());
    char* next = out.data() + start;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t first = pos;
        const auto c = nextUtf8(utf8, pos);
        const std::uint16_t code = c ? codeOf(*c) : kNoCode;
        if (code == kNoCode) {
            out.resize(start);
            return std::string(utf8.substr(first, c ? pos - first : 1));
        }
        if (code > 0xFF) {
            *next++ = static_cast<char>(code >> 8);
        }
        *next++ = static_cast<char>(code & 0xFF);
    }
    out.resize(static_cast<std::size_t>(next - out.data()));
    return std::nullopt;
}

Cp932Encoding encodeCp932(std::string_view utf8) {
    Cp932Encoding result;
    result.unencodable = appendCp932(result.bytes, utf8);
    if (result.unencodable) {
        result.bytes.clear();
    }
    return result;
}

}  // namespace callpad
