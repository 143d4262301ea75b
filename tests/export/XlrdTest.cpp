#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "XlsTestSupport.h"
#include "export/Workbook.h"

namespace callpad {
namespace {

using Expected = std::map<std::pair<int, int>, std::string>;

struct Sample {
    std::string file;
    std::function<void(Worksheet&)> fill;
    Expected expected;
};

const char* const kHeadings[] = {"相手先",   "担当", "受付日", "受付時間", "電話要(1)",
                                 "電話番号", "内容", "期限",   "受付者"};

std::vector<Sample> samples() {
    std::vector<Sample> list;
    list.push_back({"empty.xls", [](Worksheet&) {}, {}});

    Expected headings;
    for (int i = 0; i < 9; ++i) {
        headings[{1, i + 2}] = kHeadings[i];
    }
    list.push_back({"headings.xls",
                    [](Worksheet& sheet) {
                        for (int i = 0; i < 9; ++i) {
                            sheet.cells(1, i + 2, kHeadings[i]);
                        }
                    },
                    headings});

    // 50 messages below the headings, each with a multi-line message text.
    Expected messages = headings;
    for (int row = 2; row <= 51; ++row) {
        const std::string n = std::to_string(row - 1);
        const std::string fields[] = {"株式会社" + n,
                                      "山田" + n,
                                      "2024/05/" + n,
                                      "10:" + n,
                                      row % 2 ? "1" : "0",
                                      "03-1234-" + n,
                                      "折り返しお願いします。\r\n件名：見積" + n + "\r\n以上",
                                      "明日中",
                                      "鈴木"};
        for (int i = 0; i < 9; ++i) {
            messages[{row, i + 2}] = fields[i];
        }
    }
    list.push_back({"messages50.xls",
                    [messages](Worksheet& sheet) {
                        for (const auto& [address, text] : messages) {
                            sheet.cells(address.first, address.second, text);
                        }
                    },
                    messages});

    list.push_back({"linebreak.xls",
                    [](Worksheet& sheet) { sheet.cells(2, 8, "一行目\r\n二行目\n三行目"); },
                    {{{2, 8}, "一行目\r\n二行目\n三行目"}}});

    std::string longText;
    for (int i = 0; i < 2000; ++i) {
        longText += i % 2 ? "abcde" : "あいうえお";
    }
    list.push_back({"long.xls", [longText](Worksheet& sheet) { sheet.cells(3, 8, longText); }, {{{3, 8}, longText}}});

    list.push_back({"japanese.xls",
                    [](Worksheet& sheet) {
                        sheet.cells(1, 1, "電話がありました");
                        sheet.cells(1, 2, "ｶﾀｶﾅ ＡＢＣ ①㈱ 𠮷");
                    },
                    {{{1, 1}, "電話がありました"}, {{1, 2}, "ｶﾀｶﾅ ＡＢＣ ①㈱ 𠮷"}}});

    list.push_back({"overwritten.xls",
                    [](Worksheet& sheet) {
                        sheet.cells(2, 2, "古い");
                        sheet.cells(2, 2, "新しい");
                    },
                    {{{2, 2}, "新しい"}}});

    list.push_back({"cleared.xls",
                    [](Worksheet& sheet) {
                        sheet.cells(2, 2, "残す");
                        sheet.cells(3, 3, "消す");
                        sheet.cells(3, 3, "");
                    },
                    {{{2, 2}, "残す"}}});
    return list;
}

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Writes the sample workbooks and expected.json, then lets read_xls.py read them with xlrd.
TEST(XlrdTest, AnIndependentReaderReadsTheWorkbooks) {
    const std::string python = CALLPAD_XLRD_PYTHON;
    if (python.empty() || std::system(("\"" + python + "\" -c \"import xlrd\" >/dev/null 2>&1").c_str()) != 0) {
        GTEST_SKIP() << "no python3 with xlrd (Debian package python3-xlrd)";
    }
    xlstest::TemporaryFolder folder;
    std::string json = "{";
    for (const Sample& sample : samples()) {
        Workbook workbook;
        sample.fill(*workbook.sheets("Sheet1"));
        const std::string bytes = workbook.xlsBytes();
        std::ofstream(folder.path() / sample.file, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        json += (json.size() > 1 ? ",\n" : "\n") + jsonString(sample.file) + ": [";
        const char* separator = "";
        for (const auto& [address, text] : sample.expected) {
            json += separator;
            json += "[" + std::to_string(address.first) + ", " + std::to_string(address.second) + ", " +
                    jsonString(text) + "]";
            separator = ", ";
        }
        json += "]";
    }
    json += "\n}\n";
    std::ofstream(folder.path() / "expected.json", std::ios::binary) << json;

    const auto log = folder.path() / "read_xls.log";
    const std::string command = "\"" + python + "\" \"" CALLPAD_READ_XLS_SCRIPT "\" \"" + folder.path().string() +
                                "\" >\"" + log.string() + "\" 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << xlstest::readFile(log);
}

}  // namespace
}  // namespace callpad
