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

// UTF-16 as UTF-8, by Windows' own conversion. A lone surrogate, which UTF-8 cannot hold, becomes U+FFFD;
// the codec's refusal of a surrogate written in UTF-8 is the Cp932 test's.
std::string utf8(std::wstring_view text) {
    char out[32];
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out, sizeof out, nullptr, nullptr);
    return std::string(out, static_cast<std::size_t>(length));
}

constexpr UINT kCodePage = 932;

std::optional<std::string> windowsConversion(std::string_view bytes, DWORD flags) {
    wchar_t out[8];
    const int length = MultiByteToWideChar(kCodePage, flags, bytes.data(), static_cast<int>(bytes.size()), out, 8);
    return length > 0 ? std::optional(utf8({out, static_cast<std::size_t>(length)})) : std::nullopt;
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

// Every single byte and every code from 8140 to FCFC reads as Windows reads it, and every character of the
// basic plane is written as Windows writes it or refused. The input methods' variants, which the codec
// writes as the characters like them, are compared with what Windows writes for those.
TEST(Cp932MatchesWindows, EveryCodeReadsAndEveryCharacterIsWrittenTheSame) {
    int differences = 0;
    // Reports the first 20 differences: bytes in hex (text in UTF-8), or "nothing" for damage or a refusal.
    const auto compare = [&](const char* what, const std::string& input, const std::optional<std::string>& windows,
                             const std::optional<std::string>& codec) {
        if (codec != windows && ++differences <= 20) {
            ADD_FAILURE() << what << " " << hexDump(input) << ": Windows " << (windows ? hexDump(*windows) : "nothing")
                          << ", the codec " << (codec ? hexDump(*codec) : "nothing");
        }
    };
    for (unsigned code = 0; code <= 0xFCFC; code = code == 0xFF ? 0x8140 : code + 1) {
        const std::string bytes = code < 0x100
                                      ? std::string(1, static_cast<char>(code))
                                      : std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        compare("reading", bytes, windowsRead(bytes), decodeCp932(bytes));
    }
    const std::wstring variants = L"\u301C\u2212\u2016\u2014\u00A2\u00A3\u00AC";
    const std::wstring likeCharacters = L"\uFF5E\uFF0D\u2225\u2015\uFFE0\uFFE1\uFFE2";
    for (unsigned c = 0; c < 0x10000; ++c) {
        const auto variant = variants.find(static_cast<wchar_t>(c));
        const std::string text = utf8(std::wstring(1, static_cast<wchar_t>(c)));
        const auto encoded = encodeCp932(text);
        compare("writing UTF-8", text,
                windowsWrite(static_cast<wchar_t>(variant != std::wstring::npos ? likeCharacters[variant] : c)),
                encoded.unencodable ? std::nullopt : std::optional(encoded.bytes));
    }
}

}  // namespace
}  // namespace callpad
