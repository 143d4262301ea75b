#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A strict reader of what the workbook writer produces, written for the tests from the file format
// descriptions alone. Every structural fault throws std::runtime_error naming it.
namespace callpad::xlstest {

struct CompoundFileContents {
    std::string workbook;  // the bytes of the "Workbook" stream
    std::uint32_t fatSectors = 0;
    std::uint32_t difatSectors = 0;
    std::uint32_t miniFatSectors = 0;
    bool inMiniStream = false;
};

// Checks the header, the allocation tables (every sector used once, no loose chains), the directory
// tree and follows the stream's chain.
CompoundFileContents readCompoundFile(std::string_view file);

struct Record {
    std::uint16_t type = 0;
    std::size_t offset = 0;  // of the record header in the stream
    std::string data;
};

// The records of one substream, from its BOF up to and including its EOF.
std::vector<Record> readSubstream(std::string_view stream, std::size_t offset);

struct SharedStringTable {
    std::uint32_t total = 0;
    std::uint32_t unique = 0;
    std::vector<std::u16string> strings;
    // Per string: the stream offset of its header, and that offset within its record (header included).
    std::vector<std::pair<std::size_t, std::size_t>> starts;
};

// The SST record and the CONTINUE records after it, given the globals substream.
SharedStringTable readSharedStrings(const std::vector<Record>& globals);

struct Dimensions {
    std::uint32_t firstRow = 0;
    std::uint32_t endRow = 0;
    std::uint16_t firstColumn = 0;
    std::uint16_t endColumn = 0;
    bool operator==(const Dimensions&) const = default;
};

// The first worksheet of a workbook stream: its used range and its text cells by 1-based (row, column).
struct SheetContents {
    std::string name;
    Dimensions dimensions;
    std::map<std::pair<int, int>, std::u16string> cells;
    SharedStringTable strings;
    std::vector<Record> globals;
    std::vector<Record> sheet;
};

SheetContents readWorkbook(std::string_view file);

std::uint16_t get16(std::string_view bytes, std::size_t at);
std::uint32_t get32(std::string_view bytes, std::size_t at);

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

std::string readFile(const std::filesystem::path& path);

// A text repeated: the same characters as UTF-8 for the writer and as UTF-16 for comparing.
std::pair<std::string, std::u16string> repeated(std::string_view utf8, std::u16string_view utf16, std::size_t times);

}  // namespace callpad::xlstest
