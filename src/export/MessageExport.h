#pragma once

#include <array>
#include <string_view>

#include "export/Workbook.h"
#include "messages/MessageTable.h"

namespace callpad {

// The workbook file that 切取 writes, the same for every recipient, in the account's workbook folder
// (the documents folder on Linux, where the user finds it; see DataFolder::workbookFolderForThisMachine).
inline constexpr std::string_view kExportPath = "c:\\callpad.xls";
// The worksheet the export writes into; the lookup ignores case, the sheet is named "Sheet1".
inline constexpr std::string_view kExportSheetName = "sheet1";

// The export's columns: B to J hold message fields 1 to 9 under these headings.
inline constexpr int kExportFirstColumn = 2;
inline constexpr std::array<std::string_view, 9> kExportHeadings = {
    "相手先", "担当", "受付日", "受付時間", "電話要(1)", "電話番号", "内容", "期限", "受付者",
};

// Writes the headings into row 1 and message r of the table into row r + 1, fields as stored, one
// message after another. Nothing is cleared first: rows below the table keep what they held.
void writeMessagesToSheet(Worksheet& sheet, const MessageTable& table);

}  // namespace callpad
