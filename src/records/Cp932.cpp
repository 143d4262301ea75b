#include "records/Cp932.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace callpad {

namespace {

constexpr char16_t kUndefined = 0xFFFF;    // in the decode tables: no character
constexpr std::uint16_t kNoCode = 0xFFFF;  // in the encode table: no code
constexpr char16_t kLeadByte = 0xFFFE;     // in the single-byte table: first byte of a pair

bool isLeadByte(unsigned byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

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

// The conversion tables, built once from glibc's CP932 converter and Windows' extra single bytes.
struct Tables {
    std::array<char16_t, 256> single{};
    std::unique_ptr<std::array<char16_t, 0x10000>> pair = std::make_unique<std::array<char16_t, 0x10000>>();
    std::unique_ptr<std::array<std::uint16_t, 0x10000>> encode = std::make_unique<std::array<std::uint16_t, 0x10000>>();

    Tables() {
        pair->fill(kUndefined);
        encode->fill(kNoCode);
        iconv_t toUnicode = iconv_open("UTF-16LE", "CP932");
        iconv_t fromUnicode = iconv_open("CP932", "UTF-16LE");
        if (toUnicode == reinterpret_cast<iconv_t>(-1) || fromUnicode == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error("the system has no CP932 converter");
        }
        for (unsigned b = 0; b < 256; ++b) {
            single[b] = isLeadByte(b) ? kLeadByte : convertToUnicode(toUnicode, std::string(1, static_cast<char>(b)));
        }
        // Windows' single bytes that glibc does not define.
        single[0x80] = 0x0080;
        single[0xA0] = 0xF8F0;
        single[0xFD] = 0xF8F1;
        single[0xFE] = 0xF8F2;
        single[0xFF] = 0xF8F3;
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLeadByte(lead)) {
                continue;
            }
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                const char bytes[] = {static_cast<char>(lead), static_cast<char>(trail)};
                (*pair)[(lead << 8) | trail] = convertToUnicode(toUnicode, std::string(bytes, 2));
            }
        }
        // Every character that some code decodes to is written with the code glibc chooses for it,
        // as long as that code reads back as the same character.
        for (unsigned b = 0; b < 256; ++b) {
            if (single[b] != kUndefined && single[b] != kLeadByte) {
                addEncoding(fromUnicode, single[b]);
            }
        }
        for (char16_t c : *pair) {
            if (c != kUndefined) {
                addEncoding(fromUnicode, c);
            }
        }
        for (const auto& [from, to] : std::initializer_list<std::pair<char16_t, char16_t>>{{0x301C, 0xFF5E},
                                                                                           {0x2212, 0xFF0D},
                                                                                           {0x2016, 0x2225},
                                                                                           {0x2014, 0x2015},
                                                                                           {0x00A2, 0xFFE0},
                                                                                           {0x00A3, 0xFFE1},
                                                                                           {0x00AC, 0xFFE2}}) {
            (*encode)[from] = (*encode)[to];
        }
        iconv_close(toUnicode);
        iconv_close(fromUnicode);
    }

    static char16_t convertToUnicode(iconv_t cd, std::string in) {
        char16_t out[4] = {};
        char* inPtr = in.data();
        std::size_t inLeft = in.size();
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const bool oneCharacter = result != static_cast<std::size_t>(-1) && inLeft == 0 && outLeft == sizeof out - 2;
        return oneCharacter ? out[0] : kUndefined;
    }

    void addEncoding(iconv_t cd, char16_t c) {
        if (c == 0x0080 || (c >= 0xF8F0 && c <= 0xF8F3)) {
            (*encode)[c] = c == 0x0080 ? 0x80 : c == 0xF8F0 ? 0xA0 : static_cast<std::uint16_t>(c - 0xF8F1 + 0xFD);
            return;
        }
        char16_t in = c;
        unsigned char out[4] = {};
        char* inPtr = reinterpret_cast<char*>(&in);
        std::size_t inLeft = sizeof in;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            return;
        }
        const std::size_t length = sizeof out - outLeft;
        const std::uint16_t code = length == 1 ? out[0] : static_cast<std::uint16_t>((out[0] << 8) | out[1]);
        const char16_t readBack = length == 1 ? single[out[0]] : (*pair)[code];
        if (length <= 2 && readBack == c) {
            (*encode)[c] = code;
        }
    }
};

const Tables& tables() {
    static const Tables instance;
    return instance;
}

// Decodes into `out`, which has room for three bytes for each byte of input, the most a character of code
// page 932 takes in UTF-8. Returns the end of what was written, or nullptr for bytes that code page 932
// does not define.
char* decodeInto(const Tables& t, std::string_view bytes, char* out) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = in + bytes.size();
    while (in != end) {
        const unsigned b = *in++;
        if (b < 0x80) {
            *out++ = static_cast<char>(b);
            continue;
        }
        char16_t c = t.single[b];
        if (c == kLeadByte) {
            if (in == end) {
                return nullptr;
            }
            c = (*t.pair)[(b << 8) | *in++];
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
    const Tables& t = tables();
    // A field's text fits a buffer on the stack and is copied once into a string of its own size.
    constexpr std::size_t kStackInput = 512;
    if (bytes.size() <= kStackInput) {
        char buffer[3 * kStackInput];
        const char* end = decodeInto(t, bytes, buffer);
        if (!end) {
            return std::nullopt;
        }
        return std::string(buffer, static_cast<std::size_t>(end - buffer));
    }
    std::string out(3 * bytes.size(), '\0');
    const char* end = decodeInto(t, bytes, out.data());
    if (!end) {
        return std::nullopt;
    }
    out.resize(static_cast<std::size_t>(end - out.data()));
    return out;
}

std::optional<std::string> appendCp932(std::string& out, std::string_view utf8) {
    const Tables& t = tables();
    // No character takes more bytes in code page 932 than in UTF-8, so the bytes fit the text's length.
    const std::size_t start = out.size();
    out.resize(start + utf8.size());
    char* next = out.data() + start;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t first = pos;
        const auto c = nextUtf8(utf8, pos);
        const std::uint16_t code = c && *c < 0x10000 ? (*t.encode)[*c] : kNoCode;
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
