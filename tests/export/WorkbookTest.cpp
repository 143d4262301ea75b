#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "export/MessageExport.h"
#include "export/Workbook.h"
#include "support/Bytes.h"
#include "support/Samples.h"
#include "support/TempFolder.h"
#include "support/XlsTestSupport.h"

namespace callpad {
namespace {

using xlstest::Texts;

std::string repeated(std::string_view text, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

// A workbook whose sheet holds `cells`.
Workbook workbookOf(const Texts& cells) {
    Workbook workbook;
    for (const auto& [address, text] : cells) {
        workbook.sheets("Sheet1")->cells(address.first, address.second, text);
    }
    return workbook;
}

TEST(WorkbookTest, TooLongTextsAreFoundInUtf16UnitsAndNeverWritten) {
    for (const auto& [text, fits] : {std::pair{std::string(32767, 'a'), true},
                                     {std::string(32768, 'a'), false},
                                     {repeated("😀", 16383) + "a", true},  // surrogate pairs count twice
                                     {repeated("😀", 16384), false}}) {
        SCOPED_TRACE(std::to_string(text.size()) + " bytes");
        Workbook workbook;
        workbook.sheets("Sheet1")->cells(7, 2, text);
        EXPECT_EQ(workbook.firstOversizedCell(), fits ? std::nullopt : std::optional(CellAddress{7, 2}));
        test::TempFolder temp;  // a text too long is refused before anything is written
        if (fits) {
            EXPECT_NO_THROW(workbook.saveas(temp.folder(), "c:\\callpad.xls"));
        } else {
            EXPECT_THROW(workbook.saveas(temp.folder(), "c:\\callpad.xls"), std::length_error);
        }
        EXPECT_EQ(temp.exists("callpad.xls"), fits);
        workbook.sheets("Sheet1")->cells(3, 4, fits ? "" : std::string(40000, 'x'));  // the first in row order
        EXPECT_EQ(workbook.firstOversizedCell(), fits ? std::nullopt : std::optional(CellAddress{3, 4}));
    }
}

TEST(WorkbookTest, CellsReadBackFromTheFile) {
    const std::string kana = repeated("電話あり", 1000);
    const std::string mixed = repeated("a電\r\n😀", 600);
    Workbook workbook;
    Worksheet& sheet = *workbook.sheets("Sheet1");
    sheet.cells(2, 2, "gone");
    sheet.cells(9, 9, "gone too");
    sheet.cells(2, 3, "old");
    sheet.cells(2, 3, "一行目\r\n二行目");
    sheet.cells(2, 4, " café ÿ\t ");
    sheet.cells(3, 3, "café 𠮷野家😀");
    sheet.cells(3, 4, "a\xE3\x81");  // damaged UTF-8
    sheet.cells(4, 3, kana);         // texts of 8,000 and 7,200 bytes run on into CONTINUE records
    sheet.cells(5, 3, mixed);
    sheet.cells(6, 3, "一行目\r\n二行目");
    sheet.cells(2, 2, "");
    sheet.cells(9, 9, "");
    const xlstest::SheetContents contents = xlstest::readWorkbook(workbook.xlsBytes());
    EXPECT_EQ(contents.cells, (Texts{{{2, 3}, "一行目\r\n二行目"},
                                     {{2, 4}, " café ÿ\t "},
                                     {{3, 3}, "café 𠮷野家😀"},
                                     {{3, 4}, "a\uFFFD\uFFFD"},
                                     {{4, 3}, kana},
                                     {{5, 3}, mixed},
                                     {{6, 3}, "一行目\r\n二行目"}}));
    // Up to row 6 and column D: the cleared cells no longer count.
    EXPECT_EQ(std::pair(contents.rows, contents.columns), std::pair(6u, 4u));
}

TEST(WorkbookTest, SstRecordBreaksKeepHeadersAndCharactersWhole) {
    // The first text leaves `room` bytes in the 8224-byte SST record (8 of counts, 3 of header), so the
    // next text's header or a two-byte character meets the record's end.
    for (const std::size_t room : {2, 3, 4}) {
        for (const std::string& second : {repeated("あ", 2), repeated("漢", 5000)}) {
            SCOPED_TRACE("room " + std::to_string(room) + ", next text of " + std::to_string(second.size()) + " bytes");
            const Texts cells{{{1, 1}, std::string(8224 - 8 - 3 - room, 'f')}, {{1, 2}, second}, {{1, 3}, "end"}};
            EXPECT_EQ(xlstest::readWorkbook(workbookOf(cells).xlsBytes()).cells, cells);
        }
    }
}

// Texts whose characters run on over three records and more, up to the longest a cell holds, read back
// by xlrd through read_xls.py from files and the cells they must hold (expected.txt, texts in hex).
TEST(WorkbookTest, TextsOverManyRecordsReadBackWithXlrd) {
    const std::string python = CALLPAD_XLRD_PYTHON;
    if (python.empty()) {
        GTEST_SKIP() << "no python3 with xlrd (Debian package python3-xlrd)";
    }
    const auto longest = [](std::string_view character) { return repeated(character, kLongestCellText); };
    const std::pair<const char*, Texts> cases[] = {
        {"one-byte.xls", {{{1, 1}, longest("a")}, {{1, 2}, longest("ÿ")}}},
        {"two-byte.xls", {{{1, 1}, longest("漢")}, {{1, 2}, std::string(20000, 'f')}, {{1, 3}, longest("ｶ")}}},
        {"lines.xls", {{{1, 1}, repeated("一行目\r\n", 4000)}, {{1, 2}, "end"}}},
    };
    test::TempFolder folder;
    std::string expected;
    for (const auto& [file, cells] : cases) {
        for (const auto& [address, text] : cells) {
            expected += std::string(file) + "\t" + std::to_string(address.first) + "\t" +
                        std::to_string(address.second) + "\t" + test::hexDump(text) + "\n";
        }
        folder.write(file, workbookOf(cells).xlsBytes());
    }
    folder.write("expected.txt", expected);
    const std::string log = (folder.root() / "read_xls.log").string();
    const std::string command =
        "\"" + python + "\" \"" CALLPAD_READ_XLS_SCRIPT "\" \"" + folder.root().string() + "\" >\"" + log + "\" 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << folder.read("read_xls.log");
}

// The size of the Workbook stream as the directory holds it: the header's field at byte 48 names the
// directory's first sector, and the stream is its second 128-byte entry, the size at byte 120.
std::uint32_t workbookStreamSize(std::string_view file) {
    const auto get32 = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t i = 4; i-- > 0;) {
            value = value << 8 | static_cast<unsigned char>(file.at(at + i));
        }
        return value;
    };
    return get32((get32(48) + 1) * 512 + 128 + 120);
}

// The file of a workbook whose stream has `smallest` to `largest` bytes, and the cells it holds: texts of
// 4,000 letters that differ from cell to cell, so that sectors read back in the wrong order show, and a
// last text whose length is corrected until the stream has the size. A cell adds about 4,019.5 bytes to
// the stream (letters, headers, its share of CONTINUE records), the records around the cells about 710.
std::pair<std::string, Texts> workbookOfStreamSize(std::size_t smallest, std::size_t largest) {
    const std::size_t size = smallest + (largest - smallest) / 2;
    const std::size_t full = (size - 710 - 4000) * 2 / 8039;
    std::size_t last = 4000;
    for (int attempt = 0; attempt < 4; ++attempt) {
        Texts cells;
        for (std::size_t n = 0; n <= full; ++n) {
            const std::string number = std::to_string(n) + " ";
            cells[{static_cast<int>(n / 200) + 1, static_cast<int>(n % 200) + 1}] =
                number + std::string((n < full ? 4000 : last) - number.size(), static_cast<char>('a' + n % 26));
        }
        std::string file = workbookOf(cells).xlsBytes();
        const std::size_t reached = workbookStreamSize(file);
        if (reached >= smallest && reached <= largest) {
            return {std::move(file), std::move(cells)};
        }
        last = last + size - reached;  // one byte a letter
    }
    throw std::logic_error("no workbook of a stream of " + std::to_string(size) + " bytes");
}

TEST(CompoundFileTest, WorkbooksReadBackAtEverySizeBoundary) {
    // A last sector just full and just begun, then the lengths in 512-byte sectors at which the allocation
    // tables change. One FAT sector maps 128 sectors: itself, the directory and 126 of the stream. The 109
    // FAT sectors the header lists map 13842 of the stream; past that DIFAT sectors list 127 FAT sectors
    // each and need FAT entries themselves (13969), and from 29971 sectors on there are two.
    const auto sectors = [](std::size_t n) { return std::pair{512 * (n - 1) + 1, 512 * n}; };
    const std::pair<std::size_t, std::size_t> sizes[] = {{64512, 64512}, {64513, 64513}, sectors(13842),
                                                         sectors(13843), sectors(13969), sectors(29971)};
    for (const auto& [smallest, largest] : sizes) {
        SCOPED_TRACE("stream of " + std::to_string(smallest) + " to " + std::to_string(largest) + " bytes");
        const auto [file, cells] = workbookOfStreamSize(smallest, largest);
        EXPECT_EQ(xlstest::readWorkbook(file).cells, cells);
    }
}

// The cells of numberedMessage(n) as written to row `row` (B to J).
Texts rowOf(int row, int n) {
    const std::string s = std::to_string(n);
    Texts cells;
    int column = 2;
    for (const std::string& text : {"相手" + s, "担当" + s, "2026/12/" + s, "9:" + s, std::string(n % 2 ? "1" : "0"),
                                    "03-" + s, "内容" + s, "期限" + s, "受付" + s}) {
        cells[{row, column++}] = text;
    }
    return cells;
}

MessageTable tableOf(const std::vector<PhoneMessage>& messages) {
    MessageTable table;
    for (const auto& message : messages) {
        table.append(message);
    }
    return table;
}

const Texts kHeadings{{{1, 2}, "相手先"},   {{1, 3}, "担当"},      {{1, 4}, "受付日"},
                      {{1, 5}, "受付時間"}, {{1, 6}, "電話要(1)"}, {{1, 7}, "電話番号"},
                      {{1, 8}, "内容"},     {{1, 9}, "期限"},      {{1, 10}, "受付者"}};

// An export writes the headings and one row per message, newest first; a later export overwrites its
// own rows, an empty message with empty cells, and leaves the rows below from before.
TEST(MessageExportTest, WritesHeadingsThenOneRowPerMessageOverTheRowsOfAnEarlierExport) {
    Workbook workbook;
    Worksheet& sheet = *workbook.sheets(kExportSheetName);
    writeMessagesToSheet(sheet, MessageTable());
    EXPECT_EQ(xlstest::readWorkbook(workbook.xlsBytes()).cells, kHeadings);
    Texts expected = kHeadings;
    for (int n = 1; n <= MessageTable::kCapacity; ++n) {
        expected.merge(rowOf(n + 1, n));
    }
    writeMessagesToSheet(sheet, tableOf(test::numberedMessages(1, MessageTable::kCapacity)));
    EXPECT_EQ(xlstest::readWorkbook(workbook.xlsBytes()).cells, expected);

    MessageTable table = tableOf({test::numberedMessage(7), PhoneMessage{}, test::numberedMessage(9)});
    table.RemoveMessage(1);
    writeMessagesToSheet(sheet, table);
    // The empty message's row is emptied; the next row holds message 9 instead of message 2.
    std::erase_if(expected, [](const auto& cell) { return cell.first.first == 2 || cell.first.first == 3; });
    expected.merge(rowOf(3, 9));
    test::TempFolder temp;
    workbook.saveas(temp.folder(), kExportPath);
    EXPECT_EQ(xlstest::readWorkbook(temp.read("callpad.xls")).cells, expected);
}

}  // namespace
}  // namespace callpad
