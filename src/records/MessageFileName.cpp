#include "records/MessageFileName.h"

namespace callpad {

namespace {

constexpr std::string_view kMessageFileSuffix = "callpad.txt";

}  // namespace

std::string MessageFilePath(std::string_view recipient) {
    return "c:\\" + std::string(recipient) + std::string(kMessageFileSuffix);
}

FileNameProblem checkRecipientName(std::string_view recipient) {
    return checkFileNamePart(recipient, "", kMessageFileSuffix);
}

}  // namespace callpad
