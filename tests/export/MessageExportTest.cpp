#include "export/MessageExport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "XlsTestSupport.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using Texts = std::map<std::pair<int, int>, std::u16string>;

const std::u16string kHeadings[] = {u"相手先",   u"担当", u"受付日", u"受付時間", u"電話要(1)",
                                    u"電話番号", u"内容", u"期限",   u"受付者"};

Texts headingRow() {
    Texts cells;
    for (int c = 0; c < 9; ++c) {
        cells[{1, c + 2}] = kHeadings[c];
    }
    return cells;
}

// Message `n` with every field distinct, field 10 unlike field 1, so that a shifted or extra
// column shows up.
PhoneMessage numbered(int n) {
    const std::string s = std::to_string(n);
    return {"相手" + s,
            "担当" + s,
            "2026/12/0" + s.substr(0, 1),
            "9:0" + s.substr(0, 1) + ":00",
            n % 2 ? "1" : "0",
            "03-" + s,
            "内容" + s,
            "期限" + s,
            "受付" + s,
            "写し" + s};
}

std::u16string u16(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

// The cells of message `n` as written to row `row`.
Texts rowOf(int row, int n) {
    const std::u16string s = u16(std::to_string(n));
    const std::u16string digit = s.substr(0, 1);
    return {{{row, 2}, u"相手" + s},          {{row, 3}, u"担当" + s},
            {{row, 4}, u"2026/12/0" + digit}, {{row, 5}, u"9:0" + digit + u":00"},
            {{row, 6}, n % 2 ? u"1" : u"0"},  {{row, 7}, u"03-" + s},
            {{row, 8}, u"内容" + s},          {{row, 9}, u"期限" + s},
            {{row, 10}, u"受付" + s}};
}

MessageTable tableOf(const std::vector<PhoneMessage>& messages) {
    MessageTable table;
    for (const auto& message : messages) {
        table.append(message);
    }
    return table;
}

// Exports the table into the workbook and reads the saved file back.
xlstest::SheetContents exportAndRead(Workbook& workbook, const MessageTable& table) {
    writeMessagesToSheet(*workbook.sheets(kExportSheetName), table);
    return xlstest::readWorkbook(workbook.xlsBytes());
}

TEST(MessageExportTest, WritesHeadingsThenOneRowPerMessageNewestFirst) {
    {
        SCOPED_TRACE("no messages");
        Workbook workbook;
        const auto contents = exportAndRead(workbook, MessageTable());
        EXPECT_EQ(contents.name, "Sheet1");
        EXPECT_EQ(contents.cells, headingRow());
    }
    {
        SCOPED_TRACE("fifty messages, saved to the export file");
        std::vector<PhoneMessage> messages;
        Texts expected = headingRow();
        for (int n = 1; n <= MessageTable::kCapacity; ++n) {
            messages.push_back(numbered(n));
            expected.merge(rowOf(n + 1, n));
        }
        Workbook workbook;
        writeMessagesToSheet(*workbook.sheets(kExportSheetName), tableOf(messages));
        test::TempFolder temp;
        workbook.saveas(temp.folder(), kExportPath);
        const auto contents = xlstest::readWorkbook(temp.read("callpad.xls"));
        EXPECT_EQ(contents.cells, expected);  // rows 2 to 51, nothing in row 52, column A or K
        EXPECT_EQ(contents.cells.rbegin()->first, std::make_pair(51, 10));
    }
}

TEST(MessageExportTest, CellsHoldTheFieldsExactlyAsStored) {
    PhoneMessage multiLine = numbered(1);
    multiLine.MessageText = "至急\r\n折り返しください";
    multiLine.Deadline = " 明朝 ";
    const PhoneMessage empty{};
    const auto [longText, longText16] = xlstest::repeated("連", u"連", 10000);
    PhoneMessage longContent = numbered(3);
    longContent.MessageText = longText;

    Workbook workbook;
    const auto contents = exportAndRead(workbook, tableOf({multiLine, empty, longContent}));
    EXPECT_EQ(contents.cells.at({2, 8}), u"至急\r\n折り返しください");
    EXPECT_EQ(contents.cells.at({2, 9}), u" 明朝 ");
    for (int column = 1; column <= 11; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(contents.cells.count({3, column}), 0u);  // empty fields give empty cells
    }
    EXPECT_EQ(contents.cells.at({4, 8}), longText16);
    EXPECT_EQ(contents.cells.at({4, 2}), u"相手3");
}

TEST(MessageExportTest, ALaterExportOverwritesItsRowsAndLeavesTheRowsBelow) {
    PhoneMessage first = numbered(1);
    PhoneMessage second = numbered(2);
    second.PhoneNumber.clear();
    MessageTable table = tableOf({first, second, numbered(3)});
    Workbook workbook;
    exportAndRead(workbook, table);

    table.RemoveMessage(1);
    const auto contents = exportAndRead(workbook, table);
    Texts expected = headingRow();
    expected.merge(rowOf(2, 2));
    expected.erase({2, 7});  // the empty number clears the first message's number
    expected.merge(rowOf(3, 3));
    expected.merge(rowOf(4, 3));  // the earlier export's last row stays
    EXPECT_EQ(contents.cells, expected);
}

TEST(MessageExportTest, AContentTooLongForACellIsFoundBeforeSaving) {
    PhoneMessage fits = numbered(1);
    fits.MessageText = std::string(kLongestCellText, 'x');
    PhoneMessage tooLong = numbered(2);
    tooLong.MessageText = std::string(kLongestCellText + 1, 'x');

    Workbook workbook;
    Worksheet& sheet = *workbook.sheets(kExportSheetName);
    writeMessagesToSheet(sheet, tableOf({fits}));
    EXPECT_EQ(workbook.firstOversizedCell(), std::nullopt);

    writeMessagesToSheet(sheet, tableOf({fits, tooLong}));
    EXPECT_EQ(workbook.firstOversizedCell(), (CellAddress{3, 8}));
    test::TempFolder temp;
    EXPECT_THROW(workbook.saveas(temp.folder(), kExportPath), std::length_error);
    EXPECT_FALSE(temp.exists("callpad.xls"));
}

}  // namespace
}  // namespace callpad
