#include <gtest/gtest.h>

#include "export/MessageExport.h"
#include "support/Samples.h"
#include "support/TempFolder.h"
#include "support/XlsTestSupport.h"

namespace callpad {
namespace {

using test::numberedMessage;
using test::numberedMessages;
using Texts = std::map<std::pair<int, int>, std::u16string>;

// The cells of numberedMessage(n) as written to row `row` (B to J).
Texts rowOf(int row, int n) {
    const std::string ascii = std::to_string(n);
    const std::u16string s(ascii.begin(), ascii.end());
    const std::u16string fields[] = {u"相手" + s, u"担当" + s, u"2026/12/" + s, u"9:" + s,  n % 2 ? u"1" : u"0",
                                     u"03-" + s,  u"内容" + s, u"期限" + s,     u"受付" + s};
    Texts cells;
    for (int c = 0; c < 9; ++c) {
        cells[{row, c + 2}] = fields[c];
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

const Texts kHeadings{{{1, 2}, u"相手先"},   {{1, 3}, u"担当"},      {{1, 4}, u"受付日"},
                      {{1, 5}, u"受付時間"}, {{1, 6}, u"電話要(1)"}, {{1, 7}, u"電話番号"},
                      {{1, 8}, u"内容"},     {{1, 9}, u"期限"},      {{1, 10}, u"受付者"}};

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
