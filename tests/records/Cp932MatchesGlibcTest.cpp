// The built-in code page 932 tables against tables built from glibc's "CP932" converter, as the program
// built them before it carried its own, with the same additions: Windows' single bytes and the input
// methods' variants.
#include <gtest/gtest.h>
#include <iconv.h>

#include <array>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "Utf8Text.h"
#include "records/Cp932.h"
#include "support/Bytes.h"

namespace callpad {
namespace {

using test::hexDump;
using test::utf8;

constexpr char16_t kNone = 0xFFFF;

bool isLeadByte(unsigned byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("no iconv converter from ") + from + " to " + to);
        }
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // The whole input converted, or nothing when the converter refuses any of it.
    std::optional<std::string> convert(std::string in) {
        std::string out(16, '\0');
        char* inPtr = in.data();
        std::size_t inLeft = in.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) {
            return std::nullopt;
        }
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t m_cd;
};

// glibc's tables: each non-lead byte's and each pair's character, and each character's code.
struct GlibcTables {
    std::array<char16_t, 256> single{};
    std::unique_ptr<std::array<char16_t, 0x10000>> pair = std::make_unique<std::array<char16_t, 0x10000>>();
    std::unique_ptr<std::array<std::string, 0x10000>> encode = std::make_unique<std::array<std::string, 0x10000>>();

    GlibcTables() {
        Converter toUnicode("UTF-16LE", "CP932");
        Converter fromUnicode("CP932", "UTF-16LE");
        const auto character = [&](std::string bytes) {
            const auto utf16 = toUnicode.convert(std::move(bytes));
            return utf16 && utf16->size() == 2 ? static_cast<char16_t>(((*utf16)[1] & 0xFF) << 8 | ((*utf16)[0] & 0xFF))
                                               : kNone;
        };
        for (unsigned b = 0; b < 256; ++b) {
            single[b] = isLeadByte(b) ? kNone : character(std::string(1, static_cast<char>(b)));
            for (unsigned trail = 0; trail < 256; ++trail) {
                (*pair)[b << 8 | trail] =
                    isLeadByte(b) ? character({static_cast<char>(b), static_cast<char>(trail)}) : kNone;
            }
        }
        // Windows' single bytes, which glibc does not define.
        single[0x80] = 0x0080;
        single[0xA0] = 0xF8F0;
        single[0xFD] = 0xF8F1;
        single[0xFE] = 0xF8F2;
        single[0xFF] = 0xF8F3;
        // Each character that a code reads as is written with glibc's code for it, if that reads back as it.
        const auto addEncoding = [&](char16_t c) {
            const auto bytes = fromUnicode.convert({static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)});
            if (bytes && decode(*bytes) == utf8(c)) {
                (*encode)[c] = *bytes;
            }
        };
        for (unsigned b = 0; b < 256; ++b) {
            if (single[b] != kNone) {
                addEncoding(single[b]);
            }
        }
        for (const char16_t c : *pair) {
            if (c != kNone) {
                addEncoding(c);
            }
        }
        for (const unsigned b : {0x80, 0xA0, 0xFD, 0xFE, 0xFF}) {
            (*encode)[single[b]] = std::string(1, static_cast<char>(b));
        }
        for (const auto& [variant, like] : {std::pair<char16_t, char16_t>{0x301C, 0xFF5E},
                                            {0x2212, 0xFF0D},
                                            {0x2016, 0x2225},
                                            {0x2014, 0x2015},
                                            {0x00A2, 0xFFE0},
                                            {0x00A3, 0xFFE1},
                                            {0x00AC, 0xFFE2}}) {
            (*encode)[variant] = (*encode)[like];
        }
    }

    // The bytes read with these tables: a lead byte takes the next byte with it.
    std::optional<std::string> decode(std::string_view bytes) const {
        std::string out;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const unsigned b = static_cast<unsigned char>(bytes[i]);
            char16_t c = single[b];
            if (isLeadByte(b)) {
                if (++i == bytes.size()) {
                    return std::nullopt;
                }
                c = (*pair)[b << 8 | static_cast<unsigned char>(bytes[i])];
            }
            if (c == kNone) {
                return std::nullopt;
            }
            out += utf8(c);
        }
        return out;
    }
};

const GlibcTables& glibc() {
    static const GlibcTables tables;
    return tables;
}

TEST(Cp932MatchesGlibc, EverySingleByteAndEveryPairReadsTheSame) {
    int differences = 0;
    const auto compare = [&](const std::string& bytes) {
        const auto expected = glibc().decode(bytes);
        const auto decoded = decodeCp932(bytes);
        if (decoded != expected && ++differences <= 20) {
            ADD_FAILURE() << hexDump(bytes) << ": expected " << (expected ? hexDump(*expected) : "damage")
                          << " in UTF-8, read " << (decoded ? hexDump(*decoded) : "damage");
        }
    };
    for (unsigned first = 0; first < 256; ++first) {
        compare(std::string(1, static_cast<char>(first)));
        for (unsigned second = 0; second < 256; ++second) {
            compare({static_cast<char>(first), static_cast<char>(second)});
        }
    }
}

TEST(Cp932MatchesGlibc, EveryCharacterOfTheBasicPlaneIsWrittenTheSameOrRefused) {
    int differences = 0;
    for (char32_t c = 0; c < 0x10000; ++c) {
        const std::string& expected = (*glibc().encode)[c];
        const auto encoded = encodeCp932(utf8(c));
        if ((expected.empty() ? !encoded.unencodable : encoded.bytes != expected) && ++differences <= 20) {
            ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c) << ": expected "
                          << (expected.empty() ? "refused" : hexDump(expected)) << ", written "
                          << (encoded.unencodable ? "refused" : hexDump(encoded.bytes));
        }
    }
}

}  // namespace
}  // namespace callpad
