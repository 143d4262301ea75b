#include <gtest/gtest.h>

#include <stdexcept>

#include "export/CompoundFile.h"
#include "export/Workbook.h"
#include "support/TempFolder.h"
#include "support/XlsTestSupport.h"

namespace callpad {
namespace {

using xlstest::repeated;
using Texts = std::map<std::pair<int, int>, std::u16string>;

TEST(WorkbookTest, FindsTheOneSheetIgnoringAsciiCase) {
    Workbook workbook;
    for (const auto& [name, found] :
         {std::pair{"sheet1", true}, {"SHEET1", true}, {"Sheet2", false}, {"Sheet1 ", false}, {"Ｓheet1", false}}) {
        EXPECT_EQ(workbook.sheets(name) != nullptr, found) << name;
    }
}

TEST(WorkbookTest, NamesCellsAndRefusesAddressesOutsideTheSheet) {
    Workbook workbook;
    for (const auto& [address, name] : {std::pair{CellAddress{1, 1}, "A1"},
                                        {{3, 26}, "Z3"},
                                        {{1, 27}, "AA1"},
                                        {{1, 53}, "BA1"},
                                        {{65536, 256}, "IV65536"}}) {
        EXPECT_EQ(address.name(), name);
    }
    Worksheet& sheet = *workbook.sheets("Sheet1");
    for (const auto& [row, column] : {std::pair{0, 1}, {1, 0}, {65537, 1}, {1, 257}}) {
        EXPECT_THROW(sheet.cells(row, column, "x"), std::out_of_range) << row << "," << column;
    }
}

TEST(WorkbookTest, TooLongTextsAreFoundInUtf16UnitsAndNeverWritten) {
    const struct {
        std::string what;
        std::string text;
        bool fits;
    } cases[] = {
        {"32767 ASCII", std::string(32767, 'a'), true},
        {"32768 ASCII", std::string(32768, 'a'), false},
        {"16383 surrogate pairs and one letter", repeated("😀", u"", 16383).first + "a", true},
        {"16384 surrogate pairs", repeated("😀", u"", 16384).first, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Workbook workbook;
        workbook.sheets("Sheet1")->cells(7, 2, c.text);
        workbook.sheets("Sheet1")->cells(3, 4, c.fits ? "" : std::string(40000, 'x'));  // the first in row order
        EXPECT_EQ(workbook.firstOversizedCell(), c.fits ? std::nullopt : std::optional(CellAddress{3, 4}));
        if (c.fits) {
            EXPECT_EQ(xlstest::readWorkbook(workbook.xlsBytes()).cells.at({7, 2}).size(), 32767u);
        } else {
            test::TempFolder temp;  // refused before anything is written
            EXPECT_THROW(workbook.saveas(temp.folder(), "c:\\callpad.xls"), std::length_error);
            EXPECT_FALSE(temp.exists("callpad.xls"));
        }
    }
}

TEST(WorkbookTest, CellsReadBackFromTheFile) {
    const auto kana = repeated("電話あり", u"電話あり", 2500);
    const auto mixed = repeated("a電\r\n😀", u"a電\r\n😀", 1600);
    Workbook workbook;
    Worksheet& sheet = *workbook.sheets("Sheet1");
    sheet.cells(2, 2, "gone");
    sheet.cells(9, 9, "gone too");
    sheet.cells(2, 3, "old");
    sheet.cells(2, 3, "一行目\r\n二行目");
    sheet.cells(2, 4, " café ÿ\t ");
    sheet.cells(3, 3, "café 𠮷野家😀");
    sheet.cells(3, 4, "a\xE3\x81");  // damaged UTF-8
    sheet.cells(4, 3, kana.first);   // 10,000-character texts span CONTINUE records
    sheet.cells(5, 3, mixed.first);
    sheet.cells(6, 3, "一行目\r\n二行目");
    sheet.cells(2, 2, "");
    sheet.cells(9, 9, "");
    const xlstest::SheetContents contents = xlstest::readWorkbook(workbook.xlsBytes());
    EXPECT_EQ(contents.cells, (Texts{{{2, 3}, u"一行目\r\n二行目"},
                                     {{2, 4}, u" café ÿ\t "},
                                     {{3, 3}, u"café 𠮷野家😀"},
                                     {{3, 4}, u"a\uFFFD\uFFFD"},
                                     {{4, 3}, kana.second},
                                     {{5, 3}, mixed.second},
                                     {{6, 3}, u"一行目\r\n二行目"}}));
    // Rows 2 to 6, columns C to D: the cleared cells no longer count.
    EXPECT_EQ(std::vector(contents.dimensions, contents.dimensions + 4), (std::vector<std::uint32_t>{1, 6, 2, 4}));
}

TEST(WorkbookTest, SstRecordBreaksKeepHeadersAndCharactersWhole) {
    // The first text leaves `room` bytes in the 8224-byte SST record (8 of counts, 3 of header), so the
    // next text's header or a two-byte character meets the record's end.
    for (const std::size_t room : {2, 3, 4}) {
        for (const auto& second : {repeated("あ", u"あ", 2), repeated("漢", u"漢", 5000)}) {
            SCOPED_TRACE("room " + std::to_string(room) + ", next text of " + std::to_string(second.second.size()));
            Workbook workbook;
            const std::string first(8224 - 8 - 3 - room, 'f');
            workbook.sheets("Sheet1")->cells(1, 1, first);
            workbook.sheets("Sheet1")->cells(1, 2, second.first);
            workbook.sheets("Sheet1")->cells(1, 3, "end");
            EXPECT_EQ(xlstest::readWorkbook(workbook.xlsBytes()).cells,
                      (Texts{{{1, 1}, std::u16string(first.size(), u'f')}, {{1, 2}, second.second}, {{1, 3}, u"end"}}));
        }
    }
}

TEST(CompoundFileTest, StreamReadsBackExactlyAtEverySizeBoundary) {
    // Under 4096 bytes the stream lives in the mini stream. One FAT sector maps 128 sectors: itself, the
    // directory and 126 data sectors (64512 bytes). The 109 FAT sectors the header lists cover 7087104
    // bytes; past that DIFAT sectors list 127 FAT sectors each, and need FAT entries themselves.
    const std::size_t sizes[] = {0, 1, 65, 4095, 4096, 64512, 64513, 7087104, 7087105, 7152128, 15360000};
    for (const std::size_t size : sizes) {
        SCOPED_TRACE("stream size " + std::to_string(size));
        // Bytes that differ from sector to sector, so that sectors read back in the wrong order show.
        std::string stream(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            stream[i] = static_cast<char>((i * 7 + i / 509) & 0xFF);
        }
        std::string read;
        ASSERT_NO_THROW(read = xlstest::readCompoundFile(compoundFileBytes(stream)));
        EXPECT_TRUE(read == stream);
    }
}

}  // namespace
}  // namespace callpad
