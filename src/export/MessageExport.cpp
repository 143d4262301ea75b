#include "export/MessageExport.h"

#include <string>

namespace callpad {

void writeMessagesToSheet(Worksheet& sheet, const MessageTable& table) {
    const int columns = static_cast<int>(kExportHeadings.size());
    for (int c = 0; c < columns; ++c) {
        sheet.cells(1, kExportFirstColumn + c, std::string(kExportHeadings[c]));
    }
    // Column B takes field 1; field 10, the copy of field 1, is left out.
    for (int r = 1; r <= table.MessageCount(); ++r) {
        for (int c = 0; c < columns; ++c) {
            sheet.cells(r + 1, kExportFirstColumn + c, table.slot(r).field(c + 1));
        }
    }
}

}  // namespace callpad
