#pragma once

#include <string>
#include <string_view>

namespace callpad {

// Wraps a workbook stream in the OLE compound file that Excel 97 opens: 512-byte sectors, a root
// storage and one stream named "Workbook"; the allocation tables grow with the stream, with extra DIFAT
// sectors past about 6.8 MB. The bytes depend only on the stream (no times, zero class ids).
// A stream under 4096 bytes would belong in a mini stream, which is not written: the workbook writer pads
// its stream to 4096 bytes, and a smaller one throws std::invalid_argument. Throws std::length_error for
// a stream of 2 GB or more.
std::string compoundFileBytes(std::string_view workbookStream);

}  // namespace callpad
