#include "export/Workbook.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <set>
#include <stdexcept>

#include "XlsTestSupport.h"

namespace callpad {

void PrintTo(const CellAddress& address, std::ostream* out) {
    *out << address.name();
}

namespace {

using xlstest::get16;
using xlstest::get32;
using xlstest::repeated;
using Texts = std::map<std::pair<int, int>, std::u16string>;

TEST(WorkbookTest, SheetsFindsTheOneSheetIgnoringAsciiCase) {
    const struct {
        std::string_view name;
        bool found;
    } cases[] = {
        {"Sheet1", true}, {"sheet1", true},   {"SHEET1", true}, {"sHeEt1", true},   {"Sheet2", false},
        {"Sheet", false}, {"Sheet1 ", false}, {"", false},      {"Ｓheet1", false},
    };
    Workbook workbook;
    const Workbook& constWorkbook = workbook;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(workbook.sheets(c.name) != nullptr, c.found);
        EXPECT_EQ(constWorkbook.sheets(c.name) != nullptr, c.found);
    }
    EXPECT_EQ(workbook.sheets("sheet1")->name(), "Sheet1");
}

TEST(WorkbookTest, CellsOverwritesClearsAndStaysInsideTheGrid) {
    Worksheet sheet("Sheet1");
    sheet.cells(2, 3, "first");
    sheet.cells(2, 3, "second");
    ASSERT_NE(sheet.cell(2, 3), nullptr);
    EXPECT_EQ(*sheet.cell(2, 3), "second");
    sheet.cells(2, 3, "");
    EXPECT_EQ(sheet.cell(2, 3), nullptr);
    sheet.cells(4, 4, "");  // clearing an empty cell
    EXPECT_TRUE(sheet.usedCells().empty());

    sheet.cells(65536, 256, "corner");
    sheet.cells(1, 1, "origin");
    EXPECT_EQ(sheet.usedCells().size(), 2u);
    const std::pair<int, int> outside[] = {{0, 1}, {1, 0}, {-1, 5}, {65537, 1}, {1, 257}};
    for (const auto& [row, column] : outside) {
        SCOPED_TRACE(std::to_string(row) + "," + std::to_string(column));
        EXPECT_THROW(sheet.cells(row, column, "x"), std::out_of_range);
    }
}

TEST(WorkbookTest, CellAddressNamesAsASpreadsheetShowsThem) {
    const struct {
        CellAddress address;
        std::string name;
    } cases[] = {
        {{1, 1}, "A1"},   {{12, 2}, "B12"}, {{3, 26}, "Z3"},           {{1, 27}, "AA1"},
        {{1, 52}, "AZ1"}, {{1, 53}, "BA1"}, {{65536, 256}, "IV65536"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.address.name(), c.name);
    }
}

TEST(WorkbookTest, TooLongTextsAreFoundInUtf16UnitsAndNeverWritten) {
    const struct {
        std::string what;
        std::string text;
        std::size_t units;
    } cases[] = {
        {"32767 ASCII", std::string(32767, 'a'), 32767},
        {"32768 ASCII", std::string(32768, 'a'), 32768},
        {"32767 kana", repeated("あ", u"", 32767).first, 32767},
        {"32768 kana", repeated("あ", u"", 32768).first, 32768},
        {"16383 surrogate pairs and one letter", repeated("😀", u"", 16383).first + "a", 32767},
        {"16384 surrogate pairs", repeated("😀", u"", 16384).first, 32768},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Workbook workbook;
        workbook.sheets("Sheet1")->cells(3, 4, "short");
        workbook.sheets("Sheet1")->cells(7, 2, c.text);
        if (c.units > 32767) {
            EXPECT_EQ(workbook.firstOversizedCell(), (CellAddress{7, 2}));
            EXPECT_THROW(workbook.xlsBytes(), std::length_error);
        } else {
            EXPECT_EQ(workbook.firstOversizedCell(), std::nullopt);
            const xlstest::SheetContents contents = xlstest::readWorkbook(workbook.xlsBytes());
            EXPECT_EQ(contents.cells.at({7, 2}).size(), c.units);
        }
    }

    // The first in row-major order is reported.
    Workbook workbook;
    Worksheet& sheet = *workbook.sheets("Sheet1");
    sheet.cells(5, 1, std::string(40000, 'x'));
    sheet.cells(2, 9, std::string(40000, 'y'));
    EXPECT_EQ(workbook.firstOversizedCell(), (CellAddress{2, 9}));
    sheet.cells(2, 9, "");
    EXPECT_EQ(workbook.firstOversizedCell(), (CellAddress{5, 1}));
    sheet.cells(5, 1, "fits");
    EXPECT_EQ(workbook.firstOversizedCell(), std::nullopt);
    EXPECT_NO_THROW(workbook.xlsBytes());
}

// Reads the file back and checks it against the expected cells: texts, used range, string counts,
// the EXTSST index, and that each cell uses a cell format.
void expectWorkbookHolds(const Workbook& workbook, const Texts& expected) {
    xlstest::SheetContents contents;
    ASSERT_NO_THROW(contents = xlstest::readWorkbook(workbook.xlsBytes()));
    EXPECT_EQ(contents.name, "Sheet1");
    EXPECT_TRUE(contents.cells == expected);
    for (const auto& [address, text] : expected) {
        const auto found = contents.cells.find(address);
        if (found == contents.cells.end() || found->second != text) {
            ADD_FAILURE() << "cell " << CellAddress{address.first, address.second}.name() << " differs";
        }
    }

    xlstest::Dimensions dimensions;
    if (!expected.empty()) {
        dimensions = {0xFFFF, 0, 0xFF, 0};
        for (const auto& entry : expected) {
            const auto [row, column] = entry.first;
            dimensions.firstRow = std::min(dimensions.firstRow, static_cast<std::uint32_t>(row - 1));
            dimensions.endRow = std::max(dimensions.endRow, static_cast<std::uint32_t>(row));
            dimensions.firstColumn = std::min(dimensions.firstColumn, static_cast<std::uint16_t>(column - 1));
            dimensions.endColumn = std::max(dimensions.endColumn, static_cast<std::uint16_t>(column));
        }
    }
    EXPECT_TRUE(contents.dimensions == dimensions);

    std::set<std::u16string> distinct;
    for (const auto& entry : expected) {
        distinct.insert(entry.second);
    }
    EXPECT_EQ(contents.strings.total, expected.size());
    EXPECT_EQ(contents.strings.unique, distinct.size());

    std::vector<std::string> formats;
    for (const xlstest::Record& record : contents.globals) {
        if (record.type == 0x00E0) {
            formats.push_back(record.data);
        }
        if (record.type == 0x00FF) {
            // Bucket k starts at string k * dsst: its stream position and its offset in its record.
            const std::size_t perBucket = get16(record.data, 0);
            EXPECT_GE(perBucket, 8u);
            const std::size_t buckets = (record.data.size() - 2) / 8;
            EXPECT_EQ(buckets, (distinct.size() + perBucket - 1) / perBucket);
            EXPECT_LE(buckets, 128u);
            for (std::size_t k = 0; k < buckets && k * perBucket < contents.strings.starts.size(); ++k) {
                const auto [position, inRecord] = contents.strings.starts[k * perBucket];
                EXPECT_EQ(get32(record.data, 2 + 8 * k), position) << "bucket " << k;
                EXPECT_EQ(get16(record.data, 6 + 8 * k), inRecord) << "bucket " << k;
            }
        }
    }
    for (const xlstest::Record& record : contents.sheet) {
        if (record.type == 0x00FD) {
            const std::uint16_t format = get16(record.data, 4);
            EXPECT_EQ(get16(formats.at(format), 4) & 0x0004, 0) << "a cell with a style format";
        }
    }
}

struct ContentCase {
    std::string what;
    std::function<void(Worksheet&)> fill;
    Texts expected;
};

std::vector<ContentCase> contentCases() {
    std::vector<ContentCase> cases;
    cases.push_back({"empty", [](Worksheet&) {}, {}});

    cases.push_back({"headings B1 to J1",
                     [](Worksheet& sheet) {
                         const char* headings[] = {"相手先",   "担当", "受付日", "受付時間", "電話要(1)",
                                                   "電話番号", "内容", "期限",   "受付者"};
                         for (int i = 0; i < 9; ++i) {
                             sheet.cells(1, i + 2, headings[i]);
                         }
                     },
                     {{{1, 2}, u"相手先"},
                      {{1, 3}, u"担当"},
                      {{1, 4}, u"受付日"},
                      {{1, 5}, u"受付時間"},
                      {{1, 6}, u"電話要(1)"},
                      {{1, 7}, u"電話番号"},
                      {{1, 8}, u"内容"},
                      {{1, 9}, u"期限"},
                      {{1, 10}, u"受付者"}}});

    cases.push_back({"overwritten and cleared cells, the range shrinking with them",
                     [](Worksheet& sheet) {
                         sheet.cells(1, 1, "old");
                         sheet.cells(2, 2, "gone");
                         sheet.cells(9, 9, "gone too");
                         sheet.cells(5, 5, "kept");
                         sheet.cells(1, 1, "new");
                         sheet.cells(2, 2, "");
                         sheet.cells(9, 9, "");
                     },
                     {{{1, 1}, u"new"}, {{5, 5}, u"kept"}}});

    cases.push_back(
        {"line breaks and spaces kept as given",
         [](Worksheet& sheet) {
             sheet.cells(2, 3, "一行目\r\n二行目");
             sheet.cells(2, 4, "a\rb\nc\r\n");
             sheet.cells(3, 3, "\r\n");
             sheet.cells(3, 4, " \t spaces ");
         },
         {{{2, 3}, u"一行目\r\n二行目"}, {{2, 4}, u"a\rb\nc\r\n"}, {{3, 3}, u"\r\n"}, {{3, 4}, u" \t spaces "}}});

    cases.push_back({"one-byte, two-byte and surrogate-pair characters, damaged UTF-8",
                     [](Worksheet& sheet) {
                         sheet.cells(1, 1, "café ÿ");
                         sheet.cells(1, 2, "Āb");
                         sheet.cells(1, 3, "𠮷野家😀");
                         sheet.cells(1, 4, "a\xE3\x81");
                         sheet.cells(1, 5, "\xC0\xAF\xED\xA0\x80z");
                     },
                     {{{1, 1}, u"café ÿ"},
                      {{1, 2}, u"Āb"},
                      {{1, 3}, u"𠮷野家😀"},
                      {{1, 4}, u"a\uFFFD\uFFFD"},
                      {{1, 5}, u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDz"}}});

    cases.push_back(
        {"the same text in many cells, the far corner",
         [](Worksheet& sheet) {
             for (int row = 3; row <= 6; ++row) {
                 sheet.cells(row, 2, "至急");
             }
             sheet.cells(65536, 256, "端");
         },
         {{{3, 2}, u"至急"}, {{4, 2}, u"至急"}, {{5, 2}, u"至急"}, {{6, 2}, u"至急"}, {{65536, 256}, u"端"}}});

    {
        const auto ascii = repeated("0123456789", u"0123456789", 1000);
        const auto kana = repeated("電話あり", u"電話あり", 2500);
        const auto mixed = repeated("a電\r\n😀", u"a電\r\n😀", 1600);
        cases.push_back({"10,000-character texts spanning CONTINUE records",
                         [=](Worksheet& sheet) {
                             sheet.cells(2, 8, ascii.first);
                             sheet.cells(3, 8, kana.first);
                             sheet.cells(4, 8, mixed.first);
                             sheet.cells(5, 8, "after");
                         },
                         {{{2, 8}, ascii.second}, {{3, 8}, kana.second}, {{4, 8}, mixed.second}, {{5, 8}, u"after"}}});
    }

    {
        // 3000 short texts of varying length and width move the record breaks to every position.
        ContentCase many{"3000 short texts", {}, {}};
        std::vector<std::pair<std::string, std::u16string>> texts;
        for (int i = 0; i < 3000; ++i) {
            const std::size_t length = static_cast<std::size_t>(i % 13 + 1);
            auto text = i % 3 == 0 ? repeated("あ", u"あ", length) : repeated("k", u"k", length);
            text.first += std::to_string(i);
            for (char digit : std::to_string(i)) {
                text.second.push_back(static_cast<char16_t>(digit));
            }
            many.expected[{i / 10 + 1, i % 10 + 1}] = text.second;
            texts.push_back(text);
        }
        many.fill = [texts](Worksheet& sheet) {
            for (int i = 0; i < 3000; ++i) {
                sheet.cells(i / 10 + 1, i % 10 + 1, texts[static_cast<std::size_t>(i)].first);
            }
        };
        cases.push_back(many);
    }
    return cases;
}

TEST(WorkbookTest, CellsReadBackFromTheFile) {
    for (const ContentCase& c : contentCases()) {
        SCOPED_TRACE(c.what);
        Workbook workbook;
        c.fill(*workbook.sheets("Sheet1"));
        expectWorkbookHolds(workbook, c.expected);
    }
}

TEST(WorkbookTest, SstRecordBreaksKeepHeadersAndCharactersWhole) {
    // The first text leaves `room` bytes in the SST record (8 bytes of counts, 3 of header, 1 a letter),
    // so the next text's header or characters meet the 8224-byte limit at every offset.
    const std::pair<std::string, std::u16string> seconds[] = {
        {"ab", u"ab"},
        {"あい", u"あい"},
        repeated("x", u"x", 9000),
        repeated("漢", u"漢", 5000),
    };
    for (std::size_t room = 0; room <= 8; ++room) {
        for (const auto& second : seconds) {
            SCOPED_TRACE("room " + std::to_string(room) + ", next text of " + std::to_string(second.second.size()));
            Workbook workbook;
            Worksheet& sheet = *workbook.sheets("Sheet1");
            const std::string first(8224 - 8 - 3 - room, 'f');
            sheet.cells(1, 1, first);
            sheet.cells(1, 2, second.first);
            sheet.cells(1, 3, "end");
            expectWorkbookHolds(
                workbook, {{{1, 1}, std::u16string(first.size(), u'f')}, {{1, 2}, second.second}, {{1, 3}, u"end"}});
        }
    }
}

TEST(WorkbookTest, FileHasTheRecordsReadersNeedInOrder) {
    Workbook workbook;
    workbook.sheets("Sheet1")->cells(1, 2, "相手先");
    const std::string file = workbook.xlsBytes();
    const xlstest::CompoundFileContents container = xlstest::readCompoundFile(file);
    const xlstest::SheetContents contents = xlstest::readWorkbook(file);

    std::vector<std::uint16_t> types;
    for (const xlstest::Record& record : contents.globals) {
        types.push_back(record.type);
    }
    std::vector<std::uint16_t> expected = {0x0809, 0x0042, 0x003D, 0x0031, 0x0031, 0x0031, 0x0031};
    expected.insert(expected.end(), 16, 0x00E0);
    expected.insert(expected.end(), {0x0293, 0x0085, 0x00FC, 0x00FF, 0x000A});
    EXPECT_EQ(types, expected);
    types.clear();
    for (const xlstest::Record& record : contents.sheet) {
        types.push_back(record.type);
    }
    EXPECT_EQ(types, (std::vector<std::uint16_t>{0x0809, 0x0081, 0x0200, 0x00FD, 0x023E, 0x000A}));

    EXPECT_EQ(get16(contents.globals[1].data, 0), 1200);  // CODEPAGE: UTF-16
    const std::string& font = contents.globals[3].data;
    EXPECT_EQ(get16(font, 0), 220);
    EXPECT_EQ(static_cast<unsigned char>(font[12]), 128);  // Shift_JIS
    std::u16string fontName;
    for (std::size_t i = 0; i < static_cast<unsigned char>(font[14]); ++i) {
        fontName.push_back(static_cast<char16_t>(get16(font, 16 + 2 * i)));
    }
    EXPECT_TRUE(fontName == u"ＭＳ Ｐゴシック");

    // The small stream is padded with zeros after the sheet's EOF, so that it stays out of the mini stream.
    EXPECT_FALSE(container.inMiniStream);
    EXPECT_EQ(container.workbook.size(), 4096u);
    const std::size_t end = contents.sheet.back().offset + 4;
    EXPECT_EQ(container.workbook.find_first_not_of('\0', end), std::string::npos);
}

TEST(WorkbookTest, SameCellsGiveTheSameBytesWhateverTheOrder) {
    Workbook first;
    first.sheets("Sheet1")->cells(1, 1, "a");
    first.sheets("Sheet1")->cells(2, 1, "b");
    Workbook second;
    second.sheets("Sheet1")->cells(2, 1, "b");
    second.sheets("Sheet1")->cells(1, 1, "x");
    second.sheets("Sheet1")->cells(1, 1, "a");
    EXPECT_TRUE(first.xlsBytes() == second.xlsBytes());
}

TEST(WorkbookTest, SaveasWritesTheFileAndRefusesOversizedCells) {
    xlstest::TemporaryFolder temporary;
    const DataFolder folder(temporary.path());
    Workbook workbook;
    workbook.sheets("Sheet1")->cells(1, 2, "相手先");
    workbook.saveas(folder, "c:\\callpad.xls");
    EXPECT_TRUE(xlstest::readFile(temporary.path() / "callpad.xls") == workbook.xlsBytes());

    workbook.sheets("Sheet1")->cells(2, 2, std::string(32768, 'z'));
    EXPECT_THROW(workbook.saveas(folder, "c:\\other.xls"), std::length_error);
    EXPECT_FALSE(std::filesystem::exists(temporary.path() / "other.xls"));
}

}  // namespace
}  // namespace callpad
