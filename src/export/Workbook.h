#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "records/DataFolder.h"

namespace callpad {

// The grid an Excel 97 worksheet offers, and the longest text one cell holds (in UTF-16 code units).
inline constexpr int kWorksheetRows = 65536;
inline constexpr int kWorksheetColumns = 256;
inline constexpr int kLongestCellText = 32767;

// A cell by 1-based row and column, as the screens and the user count them.
struct CellAddress {
    int row = 1;
    int column = 1;

    // The name a spreadsheet shows: {12, 2} -> "B12", {1, 256} -> "IV1".
    std::string name() const;

    bool operator==(const CellAddress&) const = default;
};

// One worksheet of text cells.
class Worksheet {
public:
    // The non-empty cells by (row, column), in row-major order.
    using Cells = std::map<std::pair<int, int>, std::string>;

    explicit Worksheet(std::string name) : m_name(std::move(name)) {}

    const std::string& name() const { return m_name; }

    // Sets the UTF-8 text of a cell, 1-based: row 1 is the top row, column 1 is A. A text replaces the
    // earlier one; an empty text clears the cell. A text too long for a cell is kept here and refused on
    // saving (Workbook::firstOversizedCell). Throws std::out_of_range outside the 65536 x 256 grid.
    void cells(int row, int column, std::string text);

    // The text of a cell, or nullptr for an empty cell.
    const std::string* cell(int row, int column) const;

    const Cells& usedCells() const { return m_cells; }

private:
    std::string m_name;
    Cells m_cells;
};

// An in-memory workbook with the one worksheet "Sheet1", saved as an Excel 97 (.xls) file.
class Workbook {
public:
    Workbook() : m_sheet("Sheet1") {}

    // The worksheet of that name, matched without regard to ASCII case; nullptr when there is none.
    Worksheet* sheets(std::string_view name);
    const Worksheet* sheets(std::string_view name) const;

    // The first cell (row-major) whose text is longer than kLongestCellText UTF-16 code units. The file
    // format cannot hold such a text and cutting it would lose part of a message, so the caller checks
    // this first and tells the user which cell is too long instead of saving.
    std::optional<CellAddress> firstOversizedCell() const;

    // The complete .xls file. Same cells, same bytes. Throws std::length_error when a cell is oversized.
    std::string xlsBytes() const;

    // Writes xlsBytes() to a file of `folder` such as "c:\callpad.xls", all or nothing, under the lock of
    // the data folder `dataFolder`, so that a workbook folder of its own (the documents folder) receives
    // nothing but the workbook. Throws FileError, and std::length_error as xlsBytes() does (before
    // anything is written).
    void saveas(const DataFolder& folder, std::string_view drivePath, const DataFolder& dataFolder) const;
    // The same where the workbook goes into the data folder itself.
    void saveas(const DataFolder& folder, std::string_view drivePath) const { saveas(folder, drivePath, folder); }

private:
    Worksheet m_sheet;
};

}  // namespace callpad
