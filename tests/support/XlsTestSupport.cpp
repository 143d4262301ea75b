#include "support/XlsTestSupport.h"

#include <freexl.h>

#include <memory>
#include <stdexcept>

#include "support/TempFolder.h"

namespace callpad::xlstest {
namespace {

void require(int status, const std::string& what) {
    if (status != FREEXL_OK) {
        throw std::runtime_error("FreeXL: " + what + " failed with error " + std::to_string(status));
    }
}

}  // namespace

SheetContents readWorkbook(std::string_view file) {
    test::TempFolder temp;  // FreeXL reads only files
    temp.write("workbook.xls", file);
    const void* handle = nullptr;
    const int opened = freexl_open(temp.path("workbook.xls").string().c_str(), &handle);
    const std::unique_ptr<const void, int (*)(const void*)> closer(handle, freexl_close);
    require(opened, "opening the workbook");
    // No handle is what FreeXL 1.0.6 returns for a text over more than two records.
    if (handle == nullptr) {
        throw std::runtime_error("FreeXL: no workbook read");
    }

    SheetContents out;
    require(freexl_select_active_worksheet(handle, 0), "selecting the first sheet");
    unsigned short columns = 0;
    require(freexl_worksheet_dimensions(handle, &out.rows, &columns), "reading the used range");
    out.columns = columns;
    for (unsigned row = 0; row < out.rows; ++row) {
        for (unsigned short column = 0; column < columns; ++column) {
            FreeXL_CellValue value;
            require(freexl_get_cell_value(handle, row, column, &value), "reading a cell");
            if (value.type == FREEXL_CELL_SST_TEXT) {
                out.cells[{static_cast<int>(row) + 1, column + 1}] = value.value.text_value;
            } else if (value.type != FREEXL_CELL_NULL) {
                throw std::runtime_error("FreeXL: a cell of type " + std::to_string(value.type) + " at row " +
                                         std::to_string(row + 1) + ", column " + std::to_string(column + 1));
            }
        }
    }
    return out;
}

}  // namespace callpad::xlstest
