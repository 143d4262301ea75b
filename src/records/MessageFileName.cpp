#include "records/MessageFileName.h"

#include "records/Cp932.h"

namespace callpad {

namespace {

constexpr std::string_view kMessageFileSuffix = "callpad.txt";

}  // namespace

std::string storedSpelling(std::string_view name) {
    const Cp932Encoding encoded = encodeCp932(name);
    if (encoded.unencodable) {
        return std::string(name);
    }
    return decodeCp932(encoded.bytes).value_or(std::string(name));
}

std::string MessageFilePath(std::string_view recipient) {
    return "c:\\" + storedSpelling(recipient) + std::string(kMessageFileSuffix);
}

FileNameProblem checkRecipientName(std::string_view recipient) {
    return checkFileNamePart(storedSpelling(recipient), "", kMessageFileSuffix);
}

}  // namespace callpad
