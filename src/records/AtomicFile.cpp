#include "records/AtomicFile.h"

#include "records/FileError.h"
#include "records/Platform.h"

namespace callpad {

bool fileExists(const DataFolder& folder, std::string_view drivePath) {
    bool exists = false;
    if (const int error = platform::normalFileExists(folder.resolve(drivePath), exists)) {
        throw FileError(FileOperation::Read, error, folder.shownPath(drivePath));
    }
    if (!exists) {
        folder.checkReachable();
        folder.checkNotLeftInFormerFolder(drivePath);
    }
    return exists;
}

std::string readWholeFile(const DataFolder& folder, std::string_view drivePath) {
    std::string content;
    if (const int error = platform::readWholeFile(folder.resolve(drivePath), content, folder.faults())) {
        throw FileError(FileOperation::Read, error, folder.shownPath(drivePath));
    }
    return content;
}

void writeFileAtomically(const DataFolder& folder, std::string_view drivePath, std::string_view bytes) {
    folder.create();
    const std::filesystem::path target = folder.resolve(drivePath);
    std::filesystem::path temporary = target;
    temporary += std::u8string(kTemporarySuffix.begin(), kTemporarySuffix.end());
    if (const int error = platform::replaceFile(target, temporary, bytes, folder.faults())) {
        throw FileError(FileOperation::Write, error, folder.shownPath(drivePath));
    }
}

}  // namespace callpad
