#include "export/CompoundFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stdexcept>

namespace callpad {
namespace {

constexpr std::size_t kSectorSize = 512;
constexpr std::size_t kMiniStreamCutoff = 4096;
constexpr std::size_t kIdsPerSector = kSectorSize / 4;
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::size_t kIdsPerDifatSector = kIdsPerSector - 1;  // the last slot links to the next DIFAT sector
constexpr std::size_t kDirectoryEntrySize = 128;
constexpr std::size_t kLargestStream = 0x7FFFFFFF;

constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

constexpr std::uint8_t kStreamObject = 2;
constexpr std::uint8_t kRootObject = 5;
constexpr std::uint8_t kBlack = 1;

void put16(std::string& out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>(value >> 8);
}

void put32(std::string& out, std::size_t at, std::uint32_t value) {
    put16(out, at, static_cast<std::uint16_t>(value & 0xFFFF));
    put16(out, at + 2, static_cast<std::uint16_t>(value >> 16));
}

std::size_t unitsFor(std::size_t bytes, std::size_t unit) {
    return (bytes + unit - 1) / unit;
}

// Byte offset of a sector: sector 0 follows the 512-byte header.
std::size_t sectorOffset(std::size_t sector) {
    return (sector + 1) * kSectorSize;
}

std::uint32_t id(std::size_t sector) {
    return static_cast<std::uint32_t>(sector);
}

// A directory entry without siblings: each storage here has a single child, which makes it the black
// root of its red-black tree.
void putDirectoryEntry(std::string& out, std::size_t at, std::u16string_view name, std::uint8_t type,
                       std::uint32_t child, std::uint32_t startSector, std::uint32_t size) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        put16(out, at + 2 * i, name[i]);
    }
    put16(out, at + 64, static_cast<std::uint16_t>((name.size() + 1) * 2));  // with the terminating zero
    out[at + 66] = static_cast<char>(type);
    out[at + 67] = static_cast<char>(kBlack);
    put32(out, at + 68, kNoStream);
    put32(out, at + 72, kNoStream);
    put32(out, at + 76, child);
    put32(out, at + 116, startSector);
    put32(out, at + 120, size);  // the upper half of the 64-bit size stays zero
}

void putUnusedDirectoryEntry(std::string& out, std::size_t at) {
    put32(out, at + 68, kNoStream);
    put32(out, at + 72, kNoStream);
    put32(out, at + 76, kNoStream);
}

}  // namespace

std::string compoundFileBytes(std::string_view workbookStream) {
    if (workbookStream.size() < kMiniStreamCutoff) {
        throw std::invalid_argument("a stream under 4096 bytes belongs in a mini stream, which is not written");
    }
    if (workbookStream.size() > kLargestStream) {
        throw std::length_error("a workbook stream of 2 GB or more does not fit in a compound file");
    }
    const std::size_t dataSectors = unitsFor(workbookStream.size(), kSectorSize);

    // The FAT covers every sector including its own, and past 109 FAT sectors the DIFAT sectors too.
    const std::size_t fixedSectors = 1 + dataSectors;
    std::size_t fatSectors = 1;
    std::size_t difatSectors = 0;
    for (;;) {
        difatSectors =
            fatSectors > kHeaderDifatEntries ? unitsFor(fatSectors - kHeaderDifatEntries, kIdsPerDifatSector) : 0;
        if (fatSectors * kIdsPerSector >= fatSectors + difatSectors + fixedSectors) {
            break;
        }
        ++fatSectors;
    }

    // Sector order: FAT, DIFAT, directory, data.
    const std::size_t firstDifat = fatSectors;
    const std::size_t directory = firstDifat + difatSectors;
    const std::size_t firstData = directory + 1;
    const std::size_t sectorCount = firstData + dataSectors;
    std::string out(sectorOffset(sectorCount), '\0');

    // Header.
    static constexpr unsigned char kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(std::begin(kSignature), std::end(kSignature), out.begin());
    put16(out, 24, 0x003E);  // minor version
    put16(out, 26, 0x0003);  // major version: 512-byte sectors
    put16(out, 28, 0xFFFE);  // little-endian
    put16(out, 30, 9);       // sector size 2^9
    put16(out, 32, 6);       // mini sector size 2^6
    put32(out, 44, id(fatSectors));
    put32(out, 48, id(directory));
    put32(out, 56, static_cast<std::uint32_t>(kMiniStreamCutoff));
    put32(out, 60, kEndOfChain);  // no mini FAT
    put32(out, 68, difatSectors > 0 ? id(firstDifat) : kEndOfChain);
    put32(out, 72, id(difatSectors));

    // DIFAT: the header holds the first 109 FAT sector numbers, each DIFAT sector 127 more and a link.
    for (std::size_t i = 0; i < kHeaderDifatEntries; ++i) {
        put32(out, 76 + 4 * i, i < fatSectors ? id(i) : kFreeSector);
    }
    for (std::size_t d = 0; d < difatSectors; ++d) {
        const std::size_t base = sectorOffset(firstDifat + d);
        for (std::size_t j = 0; j < kIdsPerDifatSector; ++j) {
            const std::size_t fatSector = kHeaderDifatEntries + d * kIdsPerDifatSector + j;
            put32(out, base + 4 * j, fatSector < fatSectors ? id(fatSector) : kFreeSector);
        }
        put32(out, base + 4 * kIdsPerDifatSector, d + 1 < difatSectors ? id(firstDifat + d + 1) : kEndOfChain);
    }

    // FAT: the FAT sectors are contiguous, so entry n lies at a fixed place.
    const std::size_t fatBase = sectorOffset(0);
    for (std::size_t n = 0; n < fatSectors * kIdsPerSector; ++n) {
        put32(out, fatBase + 4 * n, kFreeSector);
    }
    const auto setFat = [&](std::size_t sector, std::uint32_t value) { put32(out, fatBase + 4 * sector, value); };
    const auto chainFat = [&](std::size_t first, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            setFat(first + i, i + 1 < count ? id(first + i + 1) : kEndOfChain);
        }
    };
    for (std::size_t i = 0; i < fatSectors; ++i) {
        setFat(i, kFatSector);
    }
    for (std::size_t i = 0; i < difatSectors; ++i) {
        setFat(firstDifat + i, kDifatSector);
    }
    chainFat(directory, 1);
    chainFat(firstData, dataSectors);

    // Directory: the root storage (with no mini stream), the stream, two unused entries.
    const std::size_t directoryBase = sectorOffset(directory);
    putDirectoryEntry(out, directoryBase, u"Root Entry", kRootObject, 1, kEndOfChain, 0);
    putDirectoryEntry(out, directoryBase + kDirectoryEntrySize, u"Workbook", kStreamObject, kNoStream, id(firstData),
                      static_cast<std::uint32_t>(workbookStream.size()));
    putUnusedDirectoryEntry(out, directoryBase + 2 * kDirectoryEntrySize);
    putUnusedDirectoryEntry(out, directoryBase + 3 * kDirectoryEntrySize);

    // The data sectors are contiguous.
    std::copy(workbookStream.begin(), workbookStream.end(),
              out.begin() + static_cast<std::ptrdiff_t>(sectorOffset(firstData)));
    return out;
}

}  // namespace callpad
