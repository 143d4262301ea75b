#include "support/XlsTestSupport.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace callpad::xlstest {
namespace {

using namespace std::string_view_literals;

constexpr std::size_t kSector = 512;
constexpr std::size_t kMiniSector = 64;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFree = 0xFFFFFFFF;

void require(bool ok, const std::string& fault) {
    if (!ok) {
        throw std::runtime_error(fault);
    }
}

std::uint16_t get16(std::string_view bytes, std::size_t at) {
    require(at + 2 <= bytes.size(), "read past the end");
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1])
                                                                                  << 8);
}

std::uint32_t get32(std::string_view bytes, std::size_t at) {
    return get16(bytes, at) | static_cast<std::uint32_t>(get16(bytes, at + 2)) << 16;
}

// Checks a directory entry that has no siblings: its name, type and colour.
void requireEntry(std::string_view entry, std::u16string_view name, std::uint8_t type) {
    std::u16string read;
    for (std::size_t i = 0; i + 2 < get16(entry, 64); i += 2) {
        read.push_back(static_cast<char16_t>(get16(entry, i)));
    }
    require(read == name && get16(entry, 64) == 2 * name.size() + 2, "directory entry name");
    require(static_cast<std::uint8_t>(entry[66]) == type && entry[67] == 1, "directory entry type or colour");
    require(get32(entry, 68) == kFree && get32(entry, 72) == kFree, "directory entry with siblings");
}

}  // namespace

std::string readCompoundFile(std::string_view file) {
    require(file.size() >= 2 * kSector && file.size() % kSector == 0, "size is not a header plus whole sectors");
    require(file.substr(0, 8) == "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv, "signature");
    require(get16(file, 24) == 0x3E && get16(file, 26) == 3 && get16(file, 28) == 0xFFFE, "version or byte order");
    require(get16(file, 30) == 9 && get16(file, 32) == 6 && get32(file, 56) == 4096, "sector sizes or cutoff");

    const std::size_t sectorCount = file.size() / kSector - 1;
    std::vector<bool> owned(sectorCount, false);
    const auto claim = [&](std::uint32_t n) {
        require(n < sectorCount && !owned[n], "sector " + std::to_string(n) + " out of the file or used twice");
        owned[n] = true;
        return file.substr((n + 1) * kSector, kSector);
    };

    // The FAT sector numbers: 109 in the header, 127 in each DIFAT sector; unused slots are free.
    const std::uint32_t fatSectors = get32(file, 44);
    std::vector<std::uint32_t> fatIds;
    std::vector<std::uint32_t> difatIds;
    const auto takeFatId = [&](std::uint32_t id) {
        require((fatIds.size() < fatSectors) == (id != kFree), "FAT sector list and count disagree");
        if (id != kFree) {
            fatIds.push_back(id);
        }
    };
    for (std::size_t i = 0; i < 109; ++i) {
        takeFatId(get32(file, 76 + 4 * i));
    }
    std::uint32_t difat = get32(file, 68);
    for (std::uint32_t d = 0; d < get32(file, 72); ++d) {
        const std::string_view sector = claim(difat);
        difatIds.push_back(difat);
        for (std::size_t j = 0; j < 127; ++j) {
            takeFatId(get32(sector, 4 * j));
        }
        difat = get32(sector, 508);
    }
    require(difat == kEndOfChain && fatIds.size() == fatSectors, "DIFAT chain");

    std::vector<std::uint32_t> fat;
    for (std::uint32_t id : fatIds) {
        const std::string_view sector = claim(id);
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
    const auto readChain = [&](std::uint32_t start) {
        std::string bytes;
        for (std::uint32_t n = start; n != kEndOfChain; n = fat[n]) {
            bytes.append(claim(n));  // a loop would claim a sector twice
        }
        return bytes;
    };

    const std::string directory = readChain(get32(file, 48));
    require(directory.size() >= 2 * 128, "directory too short");
    const std::string_view root = std::string_view(directory).substr(0, 128);
    requireEntry(root, u"Root Entry", 5);
    require(get32(root, 76) == 1, "root entry's child is not entry 1");
    const std::string_view stream = std::string_view(directory).substr(128, 128);
    requireEntry(stream, u"Workbook", 2);
    require(get32(stream, 76) == kFree && get32(stream, 124) == 0, "stream with a child or above 4 GB");

    const std::uint32_t size = get32(stream, 120);
    const std::uint32_t rootSize = get32(root, 120);
    std::string data;
    if (size < 4096) {
        const std::string miniStream = rootSize > 0 ? readChain(get32(root, 116)) : "";
        require(rootSize % kMiniSector == 0 && rootSize <= miniStream.size() && miniStream.size() - rootSize < kSector,
                "mini stream size does not match its chain");
        const std::string miniFatBytes = readChain(get32(file, 60));
        require(miniFatBytes.size() / kSector == get32(file, 64), "mini FAT sector count");
        std::vector<bool> used(rootSize / kMiniSector, false);
        for (std::uint32_t n = get32(stream, 116); n != kEndOfChain; n = get32(miniFatBytes, 4 * n)) {
            require(n < used.size() && !used[n], "bad mini sector chain");
            used[n] = true;
            data.append(miniStream, n * kMiniSector, kMiniSector);
        }
        require(std::find(used.begin(), used.end(), false) == used.end(), "loose mini sectors");
    } else {
        require(get32(root, 116) == kEndOfChain && rootSize == 0 && get32(file, 60) == kEndOfChain,
                "a mini stream or mini FAT without a small stream");
        data = readChain(get32(stream, 116));
    }
    require(data.size() >= size && data.size() - size < (size < 4096 ? kMiniSector : kSector), "stream chain length");
    require(std::find(owned.begin(), owned.end(), false) == owned.end(), "a sector belongs to nothing");
    return data.substr(0, size);
}

SheetContents readWorkbook(std::string_view file) {
    const std::string stream = readCompoundFile(file);
    std::vector<std::string> sst;  // the SST record and the CONTINUE records after it
    std::vector<std::pair<std::pair<int, int>, std::uint32_t>> labels;
    SheetContents out;
    bool inSst = false;
    for (std::size_t at = 0, eofs = 0; eofs < 2;) {  // the globals, then the worksheet
        require(at + 4 <= stream.size(), "the stream ends before the worksheet's EOF");
        const std::uint16_t type = get16(stream, at);
        const std::uint16_t length = get16(stream, at + 2);
        require(length <= 8224 && at + 4 + length <= stream.size(), "record too long or past the end");
        const std::string data = stream.substr(at + 4, length);
        at += 4 + length;
        inSst = type == 0x00FC || (inSst && type == 0x003C);
        if (inSst) {
            sst.push_back(data);
        } else if (type == 0x00FD) {
            require(length == 10, "LABELSST size");
            labels.push_back({{get16(data, 0) + 1, get16(data, 2) + 1}, get32(data, 6)});
        } else if (type == 0x0200) {
            out.dimensions[0] = get32(data, 0);
            out.dimensions[1] = get32(data, 4);
            out.dimensions[2] = get16(data, 8);
            out.dimensions[3] = get16(data, 10);
        }
        eofs += type == 0x000A ? 1 : 0;
    }

    require(!sst.empty(), "no SST");
    std::vector<std::u16string> strings(get32(sst[0], 4));
    std::size_t part = 0;
    std::size_t p = 8;
    const auto nextPart = [&] {
        require(++part < sst.size(), "SST data runs out");
        p = 0;
    };
    for (std::u16string& text : strings) {
        if (p == sst[part].size()) {
            nextPart();
        }
        require(sst[part].size() - p >= 3, "string header split across records");
        std::size_t remaining = get16(sst[part], p);
        require(sst[part][p + 2] == 0 || sst[part][p + 2] == 1, "string flags other than fHighByte");
        std::size_t unit = sst[part][p + 2] == 1 ? 2 : 1;
        p += 3;
        while (remaining > 0) {
            if (p == sst[part].size()) {
                nextPart();
                require(sst[part].at(0) == 0 || sst[part][0] == 1, "continued string without its flags byte");
                unit = sst[part][0] == 1 ? 2 : 1;
                p = 1;
            }
            const std::string& data = sst[part];
            for (; remaining > 0 && p + unit <= data.size(); --remaining, p += unit) {
                text.push_back(static_cast<char16_t>(unit == 2 ? get16(data, p) : static_cast<unsigned char>(data[p])));
            }
            require(remaining == 0 || p == data.size(), "character split across records");
        }
    }
    require(part + 1 == sst.size() && p == sst[part].size(), "bytes after the last string");

    for (const auto& [address, index] : labels) {
        require(index < strings.size() && !out.cells.count(address), "bad string index or repeated cell");
        out.cells[address] = strings[index];
    }
    return out;
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
