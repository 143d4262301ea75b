#include "XlsTestSupport.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace callpad::xlstest {
namespace {

using namespace std::string_view_literals;

constexpr std::size_t kSector = 512;
constexpr std::size_t kMiniSector = 64;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFree = 0xFFFFFFFF;

constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kSst = 0x00FC;

void require(bool ok, const std::string& fault) {
    if (!ok) {
        throw std::runtime_error(fault);
    }
}

std::u16string directoryName(std::string_view entry) {
    const std::uint16_t length = get16(entry, 64);
    require(length >= 2 && length <= 64 && length % 2 == 0, "bad directory name length");
    std::u16string name;
    for (std::size_t i = 0; i + 2 < length; i += 2) {
        name.push_back(static_cast<char16_t>(get16(entry, i)));
    }
    require(get16(entry, length - 2) == 0, "directory name without its terminating zero");
    return name;
}

// Checks the fields of an entry that has no siblings and may have one child.
void requireLoneBlackEntry(std::string_view entry, std::uint8_t type, const char* what) {
    require(static_cast<std::uint8_t>(entry[66]) == type, std::string(what) + ": wrong object type");
    require(entry[67] == 1, std::string(what) + ": not black");
    require(get32(entry, 68) == kFree && get32(entry, 72) == kFree, std::string(what) + ": has siblings");
    require(get32(entry, 124) == 0, std::string(what) + ": size above 4 GB");
}

}  // namespace

std::uint16_t get16(std::string_view bytes, std::size_t at) {
    require(at + 2 <= bytes.size(), "read past the end");
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1])
                                                                                  << 8);
}

std::uint32_t get32(std::string_view bytes, std::size_t at) {
    return get16(bytes, at) | static_cast<std::uint32_t>(get16(bytes, at + 2)) << 16;
}

CompoundFileContents readCompoundFile(std::string_view file) {
    require(file.size() >= 2 * kSector && file.size() % kSector == 0, "size is not a header plus whole sectors");
    require(file.substr(0, 8) == "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv, "signature");
    require(get16(file, 24) == 0x3E && get16(file, 26) == 3, "version");
    require(get16(file, 28) == 0xFFFE && get16(file, 30) == 9 && get16(file, 32) == 6, "byte order or sector sizes");
    require(get32(file, 40) == 0, "directory sector count is not 0");
    require(get32(file, 56) == 4096, "mini stream cutoff");

    const std::size_t sectorCount = file.size() / kSector - 1;
    std::vector<const char*> owner(sectorCount, nullptr);
    const auto claim = [&](std::uint32_t n, const char* what) -> std::string_view {
        require(n < sectorCount, std::string(what) + ": sector number out of the file");
        require(owner[n] == nullptr, std::string(what) + ": sector " + std::to_string(n) + " used twice");
        owner[n] = what;
        return file.substr((n + 1) * kSector, kSector);
    };

    CompoundFileContents out;
    out.fatSectors = get32(file, 44);
    out.difatSectors = get32(file, 72);
    out.miniFatSectors = get32(file, 64);

    // The FAT sector numbers: 109 in the header, 127 in each DIFAT sector.
    std::vector<std::uint32_t> fatIds;
    const auto takeFatId = [&](std::uint32_t id) {
        if (fatIds.size() < out.fatSectors) {
            require(id != kFree, "missing FAT sector number");
            fatIds.push_back(id);
        } else {
            require(id == kFree, "unused DIFAT slot is not FREESECT");
        }
    };
    for (std::size_t i = 0; i < 109; ++i) {
        takeFatId(get32(file, 76 + 4 * i));
    }
    std::vector<std::uint32_t> difatIds;
    std::uint32_t difat = get32(file, 68);
    for (std::uint32_t d = 0; d < out.difatSectors; ++d) {
        const std::string_view sector = claim(difat, "DIFAT");
        difatIds.push_back(difat);
        for (std::size_t j = 0; j < 127; ++j) {
            takeFatId(get32(sector, 4 * j));
        }
        difat = get32(sector, 508);
    }
    require(difat == kEndOfChain, "DIFAT chain does not end");
    require(fatIds.size() == out.fatSectors, "fewer FAT sectors listed than counted");

    std::vector<std::uint32_t> fat;
    for (std::uint32_t id : fatIds) {
        const std::string_view sector = claim(id, "FAT");
        for (std::size_t j = 0; j < kSector / 4; ++j) {
            fat.push_back(get32(sector, 4 * j));
        }
    }
    require(fat.size() >= sectorCount, "the FAT does not cover the file");
    for (std::uint32_t id : fatIds) {
        require(fat[id] == kFatSector, "FAT sector not marked FATSECT");
    }
    for (std::uint32_t id : difatIds) {
        require(fat[id] == kDifatSector, "DIFAT sector not marked DIFSECT");
    }
    for (std::size_t n = sectorCount; n < fat.size(); ++n) {
        require(fat[n] == kFree, "FAT entry past the end of the file is not FREESECT");
    }
    const auto readChain = [&](std::uint32_t start, const char* what, std::size_t& length) {
        std::string bytes;
        length = 0;
        for (std::uint32_t n = start; n != kEndOfChain; n = fat[n]) {
            bytes.append(claim(n, what));  // a loop would claim a sector twice
            ++length;
        }
        return bytes;
    };

    std::size_t length = 0;
    const std::string directory = readChain(get32(file, 48), "directory", length);
    const auto entry = [&](std::uint32_t n) {
        require(n < directory.size() / 128, "directory entry number out of range");
        return std::string_view(directory).substr(n * 128, 128);
    };
    const std::string_view root = entry(0);
    require(directoryName(root) == u"Root Entry", "root entry name");
    requireLoneBlackEntry(root, 5, "root entry");
    const std::uint32_t streamId = get32(root, 76);
    const std::string_view stream = entry(streamId);
    require(directoryName(stream) == u"Workbook", "stream name");
    requireLoneBlackEntry(stream, 2, "Workbook");
    require(get32(stream, 76) == kFree, "a stream with a child");
    for (std::uint32_t n = 1; n < directory.size() / 128; ++n) {
        if (n != streamId) {
            const std::string expected = std::string(68, '\0') + std::string(12, '\xFF') + std::string(48, '\0');
            require(entry(n) == expected, "unused directory entry is not blank");
        }
    }

    const std::uint32_t size = get32(stream, 120);
    const std::uint32_t start = get32(stream, 116);
    const std::uint32_t rootStart = get32(root, 116);
    const std::uint32_t rootSize = get32(root, 120);
    std::string data;
    if (size < 4096) {
        out.inMiniStream = size > 0;
        const std::string miniStream = rootSize > 0 ? readChain(rootStart, "mini stream", length) : "";
        require(rootSize % kMiniSector == 0 && rootSize <= miniStream.size() && miniStream.size() - rootSize < kSector,
                "mini stream size does not match its chain");
        const std::string miniFatBytes = readChain(get32(file, 60), "mini FAT", length);
        require(length == out.miniFatSectors, "mini FAT sector count");
        std::vector<std::uint32_t> miniFat;
        for (std::size_t i = 0; i + 4 <= miniFatBytes.size(); i += 4) {
            miniFat.push_back(get32(miniFatBytes, i));
        }
        std::vector<bool> used(rootSize / kMiniSector, false);
        for (std::uint32_t n = start; n != kEndOfChain; n = miniFat[n]) {
            require(n < used.size() && n < miniFat.size() && !used[n], "bad mini sector chain");
            used[n] = true;
            data.append(miniStream, n * kMiniSector, kMiniSector);
        }
        require((size + kMiniSector - 1) / kMiniSector == data.size() / kMiniSector, "mini chain length");
        require(std::count(used.begin(), used.end(), false) == 0, "loose mini sectors");
        for (std::size_t n = used.size(); n < miniFat.size(); ++n) {
            require(miniFat[n] == kFree, "unused mini FAT entry is not FREESECT");
        }
    } else {
        require(rootStart == kEndOfChain && rootSize == 0, "a mini stream without a small stream");
        require(get32(file, 60) == kEndOfChain && out.miniFatSectors == 0, "a mini FAT without a small stream");
        data = readChain(start, "Workbook", length);
        require(length == (size + kSector - 1) / kSector, "stream chain length");
    }
    for (std::size_t n = 0; n < sectorCount; ++n) {
        require(owner[n] != nullptr, "sector " + std::to_string(n) + " belongs to nothing");
    }
    out.workbook = data.substr(0, size);
    return out;
}

std::vector<Record> readSubstream(std::string_view stream, std::size_t offset) {
    std::vector<Record> records;
    for (;;) {
        require(offset + 4 <= stream.size(), "substream without EOF");
        Record record{get16(stream, offset), offset, {}};
        const std::uint16_t length = get16(stream, offset + 2);
        require(length <= 8224, "record longer than 8224 bytes");
        require(offset + 4 + length <= stream.size(), "record past the end of the stream");
        record.data = stream.substr(offset + 4, length);
        records.push_back(record);
        offset += 4 + length;
        if (record.type == kEof) {
            break;
        }
    }
    require(records.front().type == kBof && records.front().data.size() == 16, "substream does not start with BOF");
    require(get16(records.front().data, 0) == 0x0600, "BOF is not BIFF8");
    return records;
}

SharedStringTable readSharedStrings(const std::vector<Record>& globals) {
    std::size_t r = 0;
    while (r < globals.size() && globals[r].type != kSst) {
        ++r;
    }
    require(r < globals.size(), "no SST");
    SharedStringTable table;
    table.total = get32(globals[r].data, 0);
    table.unique = get32(globals[r].data, 4);
    std::size_t p = 8;
    const auto nextRecord = [&] {
        ++r;
        require(r < globals.size() && globals[r].type == kContinue, "SST data runs out");
        p = 0;
    };
    for (std::uint32_t n = 0; n < table.unique; ++n) {
        if (p == globals[r].data.size()) {
            nextRecord();
        }
        const std::string& data = globals[r].data;
        require(data.size() - p >= 3, "string header split across records");
        table.starts.emplace_back(globals[r].offset + 4 + p, 4 + p);
        std::size_t remaining = get16(data, p);
        const auto flags = static_cast<std::uint8_t>(data[p + 2]);
        require(flags == 0 || flags == 1, "string flags other than fHighByte");
        std::size_t unit = flags == 1 ? 2 : 1;
        p += 3;
        std::u16string text;
        while (remaining > 0) {
            if (p == globals[r].data.size()) {
                nextRecord();
                const auto highByte = static_cast<std::uint8_t>(globals[r].data.at(0));
                require(highByte == 0 || highByte == 1, "continued string without its flags byte");
                unit = highByte == 1 ? 2 : 1;
                p = 1;
            }
            const std::string& part = globals[r].data;
            const std::size_t count = std::min(remaining, (part.size() - p) / unit);
            require(count == remaining || p + count * unit == part.size(), "character split across records");
            for (std::size_t i = 0; i < count; ++i, p += unit) {
                text.push_back(static_cast<char16_t>(unit == 2 ? get16(part, p) : static_cast<unsigned char>(part[p])));
            }
            remaining -= count;
        }
        table.strings.push_back(std::move(text));
    }
    require(p == globals[r].data.size(), "bytes after the last string");
    require(r + 1 == globals.size() || globals[r + 1].type != kContinue, "CONTINUE after the last string");
    return table;
}

SheetContents readWorkbook(std::string_view file) {
    SheetContents out;
    const std::string stream = readCompoundFile(file).workbook;
    out.globals = readSubstream(stream, 0);
    require(get16(out.globals.front().data, 2) == 0x0005, "first substream is not the workbook globals");
    std::size_t sheetOffset = 0;
    int sheets = 0;
    int xfCount = 0;
    for (const Record& record : out.globals) {
        if (record.type == 0x0085) {
            ++sheets;
            sheetOffset = get32(record.data, 0);
            const std::size_t length = static_cast<unsigned char>(record.data.at(6));
            require(record.data.at(7) == 0 && record.data.size() == 8 + length, "BOUNDSHEET name");
            out.name = record.data.substr(8);
        }
        if (record.type == 0x00E0) {
            ++xfCount;
        }
    }
    require(sheets == 1, "not one BOUNDSHEET");
    out.sheet = readSubstream(stream, sheetOffset);
    require(get16(out.sheet.front().data, 2) == 0x0010, "BOUNDSHEET does not point at a worksheet BOF");
    out.strings = readSharedStrings(out.globals);

    int dimensionRecords = 0;
    std::pair<int, int> previous{0, 0};
    for (const Record& record : out.sheet) {
        if (record.type == 0x0200) {
            ++dimensionRecords;
            require(record.data.size() == 14, "DIMENSIONS size");
            out.dimensions = {get32(record.data, 0), get32(record.data, 4), get16(record.data, 8),
                              get16(record.data, 10)};
        }
        if (record.type == 0x00FD) {
            require(record.data.size() == 10, "LABELSST size");
            const std::pair<int, int> address{get16(record.data, 0) + 1, get16(record.data, 2) + 1};
            require(previous < address, "cells out of row-major order or repeated");
            previous = address;
            require(get16(record.data, 4) < xfCount, "cell format index out of range");
            const std::uint32_t index = get32(record.data, 6);
            require(index < out.strings.strings.size(), "shared string index out of range");
            out.cells[address] = out.strings.strings[index];
        }
    }
    require(dimensionRecords == 1, "not one DIMENSIONS");
    return out;
}

TemporaryFolder::TemporaryFolder() {
    std::random_device seed;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (;;) {
        m_path = base / ("callpad-export-test-" + std::to_string(seed()));
        if (std::filesystem::create_directory(m_path)) {
            return;
        }
    }
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    require(in.good(), "cannot open " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::pair<std::string, std::u16string> repeated(std::string_view utf8, std::u16string_view utf16, std::size_t times) {
    std::pair<std::string, std::u16string> texts;
    for (std::size_t i = 0; i < times; ++i) {
        texts.first += utf8;
        texts.second += utf16;
    }
    return texts;
}

}  // namespace callpad::xlstest
