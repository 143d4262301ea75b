#include <gtest/gtest.h>

#include "export/MessageExport.h"
#include "support/Samples.h"
#include "support/TempFolder.h"
#include "support/XlsTestSupport.h"

namespace callpad {
namespace {

using test::numberedMessage;
using test::numberedMessages;
using xlstest::Texts;

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
    writeMessagesToSheet(sheet, tableOf(numberedMessages(1, MessageTable::kCapacity)));
    EXPECT_EQ(xlstest::readWorkbook(workbook.xlsBytes()).cells, expected);

    MessageTable table = tableOf({numberedMessage(7), PhoneMessage{}, numberedMessage(9)});
    table.RemoveMessage(1);
    writeMessagesToSheet(sheet, table);
    for (int c = 2; c <= 10; ++c) {  // the empty message's row
        expected.erase({2, c});
    }
    for (const auto& [address, text] : rowOf(3, 9)) {
        expected[address] = text;
    }
    test::TempFolder temp;
    workbook.saveas(temp.folder(), kExportPath);
    EXPECT_EQ(xlstest::readWorkbook(temp.read("callpad.xls")).cells, expected);
}

}  // namespace
}  // namespace callpad
