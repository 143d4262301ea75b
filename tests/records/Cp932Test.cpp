#include <gtest/gtest.h>

#include "records/Cp932.h"
#include "support/Bytes.h"

namespace callpad {
namespace {

using test::bytesFromHex;
using test::sameBytes;

struct CodecCase {
    const char* name;
    const char* text;
    const char* bytes;
};

// Texts whose bytes are fixed both ways: each reads back from its bytes and writes back to them.
const CodecCase kRoundTrips[] = {
    {"ascii with backslash and tilde", "a\\~", "61 5c 7e"},
    {"kanji", "至急", "8e 8a 8b 7d"},
    {"ideographic space", "\u3000", "81 40"},
    {"half-width katakana", "ｱ", "b1"},
    {"fullwidth tilde", "～", "81 60"},
    {"NEC special row", "①Ⅰ", "87 40 87 54"},
    {"IBM extension", "髙﨑", "fb fc fa b1"},
    {"Windows single bytes", "\u0080\uf8f0\uf8f1\uf8f2\uf8f3", "80 a0 fd fe ff"},
    {"user-defined area", "\ue000", "f0 40"},
    {"control characters", "\r\n\t", "0d 0a 09"},
};

TEST(Cp932, FixedTextsReadAndWriteBackExactly) {
    for (const auto& c : kRoundTrips) {
        SCOPED_TRACE(c.name);
        const auto encoded = encodeCp932(c.text);
        ASSERT_FALSE(encoded.unencodable);
        EXPECT_TRUE(sameBytes(bytesFromHex(c.bytes), encoded.bytes));
        EXPECT_EQ(decodeCp932(bytesFromHex(c.bytes)), std::string(c.text));
    }
}

TEST(Cp932, NecSelectedCodesReadAsTheirCharactersAndWriteTheIbmCodes) {
    EXPECT_EQ(decodeCp932(bytesFromHex("ed 40 ee ec")), std::string("纊黑"));
    EXPECT_TRUE(sameBytes(bytesFromHex("fa 5c fc 4b"), encodeCp932("纊黑").bytes));
}

TEST(Cp932, InputMethodVariantsAreStoredAsTheirWindowsCharacters) {
    const CodecCase substitutions[] = {
        {"wave dash", "〜", "81 60"}, {"minus sign", "−", "81 7c"}, {"double vertical line", "‖", "81 61"},
        {"em dash", "—", "81 5c"},    {"cent", "¢", "81 91"},       {"pound", "£", "81 92"},
        {"not", "¬", "81 ca"},
    };
    for (const auto& c : substitutions) {
        SCOPED_TRACE(c.name);
        const auto encoded = encodeCp932(c.text);
        ASSERT_FALSE(encoded.unencodable);
        EXPECT_TRUE(sameBytes(bytesFromHex(c.bytes), encoded.bytes));
    }
}

TEST(Cp932, CharactersThatWouldNotReadBackAreReportedNotReplaced) {
    const struct {
        const char* name;
        const char* text;
        const char* offending;
    } cases[] = {
        {"emoji", "予定😀です", "😀"},
        {"character outside the code page", "𠮷野家", "𠮷"},
        {"half-width yen would read back as backslash", "100¥", "¥"},
        {"overline would read back as tilde", "a‾", "‾"},
        {"hangul", "한", "한"},
        {"malformed UTF-8", "a\xff", "\xff"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto encoded = encodeCp932(c.text);
        ASSERT_TRUE(encoded.unencodable);
        EXPECT_EQ(*encoded.unencodable, c.offending);
        EXPECT_TRUE(encoded.bytes.empty());
    }
}

TEST(Cp932, UndefinedByteSequencesMakeTheTextUnreadable) {
    const struct {
        const char* name;
        const char* bytes;
    } cases[] = {
        {"undefined pair", "85 40"},
        {"lead byte at the end", "61 82"},
        {"invalid trail byte", "81 7f"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(decodeCp932(bytesFromHex(c.bytes)));
    }
}

}  // namespace
}  // namespace callpad
