#pragma once

#include <string>
#include <string_view>

namespace callpad {

// Wraps a workbook stream in the OLE compound file that Excel 97 opens: 512-byte sectors, a root
// storage and one stream named "Workbook". A stream under 4096 bytes is kept in the mini stream (64-byte
// sectors), a larger one in regular sectors; the allocation tables grow with the stream, with extra
// DIFAT sectors past about 6.8 MB. The bytes depend only on the stream (no times, zero class ids).
// Throws std::length_error for a stream of 2 GB or more.
std::string compoundFileBytes(std::string_view workbookStream);

}  // namespace callpad
