#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

// Reads the workbooks the program writes with FreeXL, a reader written by others from the format
// descriptions, so that a misreading of the format in the writer is not repeated in the tests.
namespace callpad::xlstest {

// Texts (UTF-8) by 1-based (row, column).
using Texts = std::map<std::pair<int, int>, std::string>;

// The text cells of the first worksheet, and its used range as FreeXL takes it from the DIMENSIONS
// record: the last used row and column, 1-based. (read_xls.py checks the sheet's name.)
struct SheetContents {
    Texts cells;
    unsigned rows = 0;
    unsigned columns = 0;
};

// Throws std::runtime_error naming what FreeXL could not read, or a cell that is not text. FreeXL 1.0.6
// reads a text whose characters run over two records of the string table but not over three (a text of
// more than about 8,200 bytes may); WorkbookTest reads such texts with xlrd.
SheetContents readWorkbook(std::string_view file);

}  // namespace callpad::xlstest
