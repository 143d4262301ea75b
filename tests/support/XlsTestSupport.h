#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

// A strict reader of what the workbook writer produces, written for the tests from the file format
// descriptions alone. Every structural fault throws std::runtime_error naming it.
namespace callpad::xlstest {

// Checks the header, the allocation tables (every sector used once, no loose chains) and the directory,
// then returns the bytes of the "Workbook" stream.
std::string readCompoundFile(std::string_view file);

// The text cells of the first worksheet by 1-based (row, column), read through the shared strings,
// and its used range as the DIMENSIONS record gives it: first row, end row, first column, end column.
struct SheetContents {
    std::map<std::pair<int, int>, std::u16string> cells;
    std::uint32_t dimensions[4] = {};
};
SheetContents readWorkbook(std::string_view file);

// A text repeated: the same characters as UTF-8 for the writer and as UTF-16 for comparing.
std::pair<std::string, std::u16string> repeated(std::string_view utf8, std::u16string_view utf16, std::size_t times);

}  // namespace callpad::xlstest
