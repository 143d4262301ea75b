#include "export/Workbook.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "export/CompoundFile.h"
#include "records/AtomicFile.h"
#include "records/FolderLock.h"

namespace callpad {
namespace {

// Record types of the workbook stream.
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kFont = 0x0031;
constexpr std::uint16_t kWindow1 = 0x003D;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kCodepage = 0x0042;
constexpr std::uint16_t kWsBool = 0x0081;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kXf = 0x00E0;
constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kExtSst = 0x00FF;
constexpr std::uint16_t kDimensions = 0x0200;
constexpr std::uint16_t kWindow2 = 0x023E;
constexpr std::uint16_t kStyle = 0x0293;
constexpr std::uint16_t kBof = 0x0809;

constexpr std::uint16_t kGlobalsSubstream = 0x0005;
constexpr std::uint16_t kWorksheetSubstream = 0x0010;

constexpr std::size_t kLargestRecordData = 8224;
constexpr std::uint16_t kStyleXfCount = 15;
constexpr std::uint16_t kCellXf = kStyleXfCount;  // the one cell format, right after the style formats

// Excel keeps a small workbook stream in regular sectors; a stream padded to this size after its last
// record never goes into the compound file's mini stream.
constexpr std::size_t kSmallestWorkbookStream = 4096;

void append8(std::string& out, std::uint8_t value) {
    out.push_back(static_cast<char>(value));
}

void append16(std::string& out, std::uint16_t value) {
    append8(out, static_cast<std::uint8_t>(value & 0xFF));
    append8(out, static_cast<std::uint8_t>(value >> 8));
}

void append32(std::string& out, std::uint32_t value) {
    append16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    append16(out, static_cast<std::uint16_t>(value >> 16));
}

void patch32(std::string& out, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::uint16_t u16(std::size_t value) {
    return static_cast<std::uint16_t>(value);
}
std::uint32_t u32(std::size_t value) {
    return static_cast<std::uint32_t>(value);
}

void putRecord(std::string& stream, std::uint16_t type, std::string_view data) {
    append16(stream, type);
    append16(stream, u16(data.size()));
    stream.append(data);
}

// UTF-8 -> UTF-16. A byte that does not begin a well-formed sequence becomes U+FFFD.
std::u16string toUtf16(std::string_view text) {
    static constexpr char32_t kSmallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80             ? 1
                                   : (lead & 0xE0) == 0xC0 ? 2
                                   : (lead & 0xF0) == 0xE0 ? 3
                                   : (lead & 0xF8) == 0xF0 ? 4
                                                           : 0;
        bool valid = length != 0 && i + length <= text.size();
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (valid && (code < kSmallestOfLength[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)) {
            valid = false;
        }
        if (!valid) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return out;
}

// A record whose data runs on in CONTINUE records once it passes the record size limit. The caller asks
// room() and calls continueRecord() itself, because where a break may fall depends on the data.
class ContinuedRecord {
public:
    ContinuedRecord(std::string& stream, std::uint16_t type) : m_stream(stream) { start(type); }

    std::size_t room() const { return kLargestRecordData - (m_stream.size() - m_start - 4); }
    // Where the next byte goes, counted from the start of the current record with its header.
    std::size_t offsetInRecord() const { return m_stream.size() - m_start; }

    void continueRecord() {
        finish();
        start(kContinue);
    }

    void finish() {
        const std::size_t length = m_stream.size() - m_start - 4;
        m_stream[m_start + 2] = static_cast<char>(length & 0xFF);
        m_stream[m_start + 3] = static_cast<char>(length >> 8);
    }

private:
    void start(std::uint16_t type) {
        m_start = m_stream.size();
        append16(m_stream, type);
        append16(m_stream, 0);
    }

    std::string& m_stream;
    std::size_t m_start = 0;
};

// The shared string table: every cell text once, and per cell (row-major) the index of its text.
struct SharedStrings {
    std::vector<std::u16string> texts;
    std::vector<std::uint32_t> cellIndexes;
};

SharedStrings collectStrings(const Worksheet::Cells& cells) {
    SharedStrings strings;
    std::unordered_map<std::string_view, std::uint32_t> indexOf;
    for (const auto& [address, text] : cells) {
        auto [found, added] = indexOf.try_emplace(text, u32(strings.texts.size()));
        if (added) {
            strings.texts.push_back(toUtf16(text));
            if (strings.texts.back().size() > static_cast<std::size_t>(kLongestCellText)) {
                throw std::length_error("cell " + CellAddress{address.first, address.second}.name() +
                                        " holds more text than a cell of an .xls file can");
            }
        }
        strings.cellIndexes.push_back(found->second);
    }
    return strings;
}

// SST with its CONTINUE records, then EXTSST. A string header (length and flags) never breaks across
// records, nor does a character; when the characters of a string run on into a CONTINUE record, that
// record starts with the string's flags byte again. Strings of characters below U+0100 are stored one
// byte a character, all others two.
void putSharedStrings(std::string& stream, const SharedStrings& strings) {
    const std::size_t count = strings.texts.size();
    // EXTSST indexes every dsst-th string, at most 128 buckets and at least 8 strings a bucket.
    const std::size_t perBucket = std::clamp<std::size_t>((count + 127) / 128, 8, 0xFFFF);
    std::string index;
    append16(index, u16(perBucket));

    ContinuedRecord sst(stream, kSst);
    append32(stream, u32(strings.cellIndexes.size()));
    append32(stream, u32(count));
    for (std::size_t n = 0; n < count; ++n) {
        const std::u16string& text = strings.texts[n];
        const bool compressed = std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x100; });
        const std::size_t unit = compressed ? 1 : 2;
        const std::uint8_t flags = compressed ? 0x00 : 0x01;
        if (sst.room() < 3 + unit) {
            sst.continueRecord();
        }
        if (n % perBucket == 0) {
            append32(index, u32(stream.size()));
            append16(index, u16(sst.offsetInRecord()));
            append16(index, 0);
        }
        append16(stream, u16(text.size()));
        append8(stream, flags);
        std::size_t done = 0;
        while (done < text.size()) {
            if (sst.room() < unit) {
                sst.continueRecord();
                append8(stream, flags);
            }
            const std::size_t end = done + std::min(text.size() - done, sst.room() / unit);
            for (; done < end; ++done) {
                if (compressed) {
                    append8(stream, static_cast<std::uint8_t>(text[done]));
                } else {
                    append16(stream, text[done]);
                }
            }
        }
    }
    sst.finish();
    putRecord(stream, kExtSst, index);
}

void putBof(std::string& stream, std::uint16_t substream) {
    std::string data;
    append16(data, 0x0600);  // BIFF8
    append16(data, substream);
    append16(data, 0x0DBB);  // build and year of the application that wrote the file: Excel 97
    append16(data, 0x07CC);
    append32(data, 0);
    append32(data, 0x06);  // lowest BIFF version that reads every record
    putRecord(stream, kBof, data);
}

// The default font, "ＭＳ Ｐゴシック" 11 pt. Excel skips font index 4, so it wants four fonts before it.
void putFonts(std::string& stream) {
    static constexpr std::u16string_view kName = u"ＭＳ Ｐゴシック";
    // 220 twips high, plain, window text colour, weight 400, Shift_JIS; the name in UTF-16.
    std::string data;
    append16(data, 220);
    append16(data, 0);
    append16(data, 0x7FFF);
    append16(data, 400);
    append16(data, 0);
    append8(data, 0);
    append8(data, 0);
    append8(data, 128);
    append8(data, 0);
    append8(data, static_cast<std::uint8_t>(kName.size()));
    append8(data, 0x01);
    for (char16_t c : kName) {
        append16(data, c);
    }
    for (int i = 0; i < 4; ++i) {
        putRecord(stream, kFont, data);
    }
}

// The 15 formats of the built-in styles (0 is Normal) and one cell format based on Normal.
void putFormats(std::string& stream) {
    for (std::uint16_t n = 0; n <= kStyleXfCount; ++n) {
        const bool isStyle = n < kStyleXfCount;
        // General number format, locked, bottom-aligned, no borders, system colours. A style format has
        // no parent; the cell format takes all its attributes from Normal.
        std::string data;
        append16(data, u16(n == 1 || n == 2 ? 1 : n == 3 || n == 4 ? 2 : 0));
        append16(data, 0);
        append16(data, isStyle ? 0xFFF5 : 0x0001);
        append8(data, 0x20);
        append8(data, 0);
        append8(data, 0);
        append8(data, isStyle && n > 0 ? 0xF4 : 0x00);
        append32(data, 0);
        append32(data, 0);
        append16(data, 0x20C0);
        putRecord(stream, kXf, data);
    }
    std::string normal;
    append16(normal, 0x8000);  // the built-in style Normal on format 0
    append8(normal, 0);
    append8(normal, 0xFF);
    putRecord(stream, kStyle, normal);
}

std::string workbookStream(const Worksheet& sheet) {
    const SharedStrings strings = collectStrings(sheet.usedCells());
    std::string stream;

    putBof(stream, kGlobalsSubstream);
    std::string codepage;
    append16(codepage, 1200);  // strings are UTF-16
    putRecord(stream, kCodepage, codepage);

    // The application window: its place and size, scroll bars and tabs shown, the first sheet selected.
    std::string window;
    for (int value : {0, 0, 16000, 9000, 0x0038, 0, 0, 1, 600}) {
        append16(window, u16(value));
    }
    putRecord(stream, kWindow1, window);

    putFonts(stream);
    putFormats(stream);

    std::string boundSheet;
    // A visible worksheet at a position filled in below, its name stored one byte a character.
    append32(boundSheet, 0);
    append8(boundSheet, 0);
    append8(boundSheet, 0);
    append8(boundSheet, static_cast<std::uint8_t>(sheet.name().size()));
    append8(boundSheet, 0);
    boundSheet += sheet.name();
    const std::size_t sheetPositionAt = stream.size() + 4;
    putRecord(stream, kBoundSheet, boundSheet);

    putSharedStrings(stream, strings);
    putRecord(stream, kEof, {});

    patch32(stream, sheetPositionAt, u32(stream.size()));
    putBof(stream, kWorksheetSubstream);
    std::string wsBool;
    append16(wsBool, 0x04C1);  // Excel's default sheet options
    putRecord(stream, kWsBool, wsBool);

    // The used range, 0-based, with the last row and column exclusive; all zero for an empty sheet.
    const Worksheet::Cells& cells = sheet.usedCells();
    std::uint32_t firstRow = 0;
    std::uint32_t endRow = 0;
    std::uint16_t firstColumn = 0;
    std::uint16_t endColumn = 0;
    if (!cells.empty()) {
        firstRow = u32(cells.begin()->first.first - 1);
        endRow = u32(cells.rbegin()->first.first);
        int smallest = kWorksheetColumns;
        int largest = 1;
        for (const auto& entry : cells) {
            smallest = std::min(smallest, entry.first.second);
            largest = std::max(largest, entry.first.second);
        }
        firstColumn = u16(smallest - 1);
        endColumn = u16(largest);
    }
    std::string dimensions;
    append32(dimensions, firstRow);
    append32(dimensions, endRow);
    append16(dimensions, firstColumn);
    append16(dimensions, endColumn);
    append16(dimensions, 0);
    putRecord(stream, kDimensions, dimensions);

    std::size_t n = 0;
    for (const auto& entry : cells) {
        std::string label;
        append16(label, u16(entry.first.first - 1));
        append16(label, u16(entry.first.second - 1));
        append16(label, kCellXf);
        append32(label, strings.cellIndexes[n++]);
        putRecord(stream, kLabelSst, label);
    }

    // The sheet window: grid, headings and zeros shown, the sheet selected, scrolled to A1, default colours.
    std::string window2;
    for (int value : {0x06B6, 0, 0, 0x40, 0, 0, 0, 0, 0}) {
        append16(window2, u16(value));
    }
    putRecord(stream, kWindow2, window2);
    putRecord(stream, kEof, {});

    if (stream.size() < kSmallestWorkbookStream) {
        stream.resize(kSmallestWorkbookStream, '\0');
    }
    return stream;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return fold(x) == fold(y); });
}

}  // namespace

std::string CellAddress::name() const {
    std::string letters;
    for (int rest = column; rest > 0; rest = (rest - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('A' + (rest - 1) % 26));
    }
    return letters + std::to_string(row);
}

void Worksheet::cells(int row, int column, std::string text) {
    if (row < 1 || row > kWorksheetRows || column < 1 || column > kWorksheetColumns) {
        throw std::out_of_range("no cell at row " + std::to_string(row) + ", column " + std::to_string(column));
    }
    if (text.empty()) {
        m_cells.erase({row, column});
    } else {
        m_cells[{row, column}] = std::move(text);
    }
}

const std::string* Worksheet::cell(int row, int column) const {
    const auto found = m_cells.find({row, column});
    return found == m_cells.end() ? nullptr : &found->second;
}

Worksheet* Workbook::sheets(std::string_view name) {
    return equalsIgnoringAsciiCase(name, m_sheet.name()) ? &m_sheet : nullptr;
}

const Worksheet* Workbook::sheets(std::string_view name) const {
    return equalsIgnoringAsciiCase(name, m_sheet.name()) ? &m_sheet : nullptr;
}

std::optional<CellAddress> Workbook::firstOversizedCell() const {
    for (const auto& [address, text] : m_sheet.usedCells()) {
        // A text has no more UTF-16 code units than UTF-8 bytes, so a short one needs no conversion.
        if (text.size() > static_cast<std::size_t>(kLongestCellText) &&
            toUtf16(text).size() > static_cast<std::size_t>(kLongestCellText)) {
            return CellAddress{address.first, address.second};
        }
    }
    return std::nullopt;
}

std::string Workbook::xlsBytes() const {
    return compoundFileBytes(workbookStream(m_sheet));
}

void Workbook::saveas(const DataFolder& folder, std::string_view drivePath, const DataFolder& dataFolder) const {
    // Under the data folder's lock like every write: two copies exporting at once would share the
    // temporary file. Not retried: a spreadsheet holds the workbook until the user closes it, so that is
    // told at once.
    const std::string bytes = xlsBytes();
    FolderLock lock(dataFolder);
    writeFileAtomically(folder, drivePath, bytes);
}

}  // namespace callpad
