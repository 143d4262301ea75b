#include "export/CompoundFile.h"

#include <gtest/gtest.h>

#include "XlsTestSupport.h"

namespace callpad {
namespace {

// Bytes that differ from sector to sector, so that sectors read back in the wrong order show.
std::string patterned(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 509) & 0xFF);
    }
    return bytes;
}

struct SizeCase {
    std::size_t size;
    bool inMiniStream;
    std::uint32_t fatSectors;
    std::uint32_t difatSectors;
    std::uint32_t miniFatSectors;
};

TEST(CompoundFileTest, StreamReadsBackExactlyAtEverySizeBoundary) {
    // One FAT sector maps 128 sectors: itself, the directory and 126 data sectors (64512 bytes). The 109
    // FAT sectors the header lists map 13952: 13842 data sectors (7087104 bytes); past that DIFAT sectors
    // list 127 FAT sectors each.
    const SizeCase cases[] = {
        {0, false, 1, 0, 0},          {1, true, 1, 0, 1},
        {64, true, 1, 0, 1},          {65, true, 1, 0, 1},
        {513, true, 1, 0, 1},         {4095, true, 1, 0, 1},
        {4096, false, 1, 0, 0},       {4097, false, 1, 0, 0},
        {64512, false, 1, 0, 0},      {64513, false, 2, 0, 0},
        {1048577, false, 17, 0, 0},   {7087104, false, 109, 0, 0},
        {7087105, false, 110, 1, 0},  {7151616, false, 110, 1, 0},
        {7152128, false, 111, 1, 0},  // the DIFAT sector itself needs a FAT entry
        {15360000, false, 237, 2, 0},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE("stream size " + std::to_string(c.size));
        const std::string stream = patterned(c.size);
        const std::string file = compoundFileBytes(stream);
        xlstest::CompoundFileContents contents;
        ASSERT_NO_THROW(contents = xlstest::readCompoundFile(file));
        EXPECT_TRUE(contents.workbook == stream);
        EXPECT_EQ(contents.inMiniStream, c.inMiniStream);
        EXPECT_EQ(contents.fatSectors, c.fatSectors);
        EXPECT_EQ(contents.difatSectors, c.difatSectors);
        EXPECT_EQ(contents.miniFatSectors, c.miniFatSectors);
    }
}

}  // namespace
}  // namespace callpad
