// The built-in code page 932 tables against Windows' own conversion: MultiByteToWideChar and
// WideCharToMultiByte for code page 932.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "records/Cp932.h"
#include "support/Bytes.h"

namespace callpad {
namespace {

using test::hexDump;

// One character of the basic plane as UTF-8, surrogates included. U+00A2 -> "c2 a2".
std::string utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

constexpr UINT kCodePage = 932;

std::optional<std::string> windowsConversion(std::string_view bytes, DWORD flags) {
    wchar_t out[8];
    const int length = MultiByteToWideChar(kCodePage, flags, bytes.data(), static_cast<int>(bytes.size()), out, 8);
    if (length <= 0) {
        return std::nullopt;
    }
    std::string text;
    for (int i = 0; i < length; ++i) {
        text += utf8(out[i]);
    }
    return text;
}

// The bytes as Windows reads them: with MB_ERR_INVALID_CHARS, so that undefined bytes count as damage,
// except the single bytes A0 and FD-FF, which that flag rejects and Windows reads as U+F8F0-U+F8F3 without it.
std::optional<std::string> windowsRead(std::string_view bytes) {
    if (bytes.empty()) {
        return std::string();
    }
    const auto first = static_cast<unsigned char>(bytes[0]);
    if (IsDBCSLeadByteEx(kCodePage, first)) {
        return windowsConversion(bytes, MB_ERR_INVALID_CHARS);
    }
    const bool privateUseByte = first == 0xA0 || first >= 0xFD;
    auto head = windowsConversion(bytes.substr(0, 1), privateUseByte ? 0 : MB_ERR_INVALID_CHARS);
    auto tail = windowsRead(bytes.substr(1));
    return head && tail ? std::optional(*head + *tail) : std::nullopt;
}

// The bytes Windows writes for one UTF-16 unit, or nothing where it would have to put its default character.
std::optional<std::string> windowsWrite(wchar_t c) {
    char out[4];
    BOOL usedDefault = FALSE;
    const int length =
        WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &c, 1, out, sizeof out, nullptr, &usedDefault);
    return length > 0 && !usedDefault ? std::optional(std::string(out, static_cast<std::size_t>(length)))
                                      : std::nullopt;
}

TEST(Cp932MatchesWindows, EverySingleByteAndEveryCodeFrom8140ToFCFCReadsTheSame) {
    int differences = 0;
    const auto compare = [&](const std::string& bytes) {
        const auto expected = windowsRead(bytes);
        const auto decoded = decodeCp932(bytes);
        if (decoded != expected && ++differences <= 20) {
            ADD_FAILURE() << hexDump(bytes) << ": Windows reads " << (expected ? hexDump(*expected) : "damage")
                          << " in UTF-8, the codec " << (decoded ? hexDump(*decoded) : "damage");
        }
    };
    for (unsigned byte = 0; byte < 0x100; ++byte) {
        compare(std::string(1, static_cast<char>(byte)));
    }
    for (unsigned code = 0x8140; code <= 0xFCFC; ++code) {
        compare({static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)});
    }
}

TEST(Cp932MatchesWindows, EveryCharacterOfTheBasicPlaneIsWrittenTheSameOrRefused) {
    // The input methods' variants, which the codec writes as the characters like them, are compared with
    // what Windows writes for those.
    const std::wstring variants = L"\u301C\u2212\u2016\u2014\u00A2\u00A3\u00AC";
    const std::wstring likeCharacters = L"\uFF5E\uFF0D\u2225\u2015\uFFE0\uFFE1\uFFE2";
    int differences = 0;
    for (unsigned c = 0; c < 0x10000; ++c) {
        const auto variant = variants.find(static_cast<wchar_t>(c));
        const auto expected =
            windowsWrite(static_cast<wchar_t>(variant != std::wstring::npos ? likeCharacters[variant] : c));
        const auto encoded = encodeCp932(utf8(c));
        const auto written = encoded.unencodable ? std::nullopt : std::optional(encoded.bytes);
        if (written != expected && ++differences <= 20) {
            ADD_FAILURE() << "U+" << std::hex << c << ": Windows writes " << (expected ? hexDump(*expected) : "nothing")
                          << ", the codec " << (written ? hexDump(*written) : "nothing");
        }
    }
}

}  // namespace
}  // namespace callpad
