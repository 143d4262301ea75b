#include "records/AtomicFile.h"

#include "records/FileError.h"
#include "records/FolderLock.h"
#include "records/Platform.h"

namespace callpad {

namespace {

// How long a call waits for a file that another program holds open: not at all under the folder lock.
std::chrono::milliseconds patienceForHeldFiles() {
    return FolderLock::heldByThisThread() ? std::chrono::milliseconds(0) : platform::kPatience;
}

}  // namespace

bool fileExists(const DataFolder& folder, std::string_view drivePath) {
    bool exists = false;
    if (const int error = platform::normalFileExists(folder.resolve(drivePath), exists)) {
        throw FileError(FileOperation::Read, error, folder.shownPath(drivePath), {}, folder.kind());
    }
    if (!exists) {
        folder.checkReachable();
        folder.checkNotLeftInFormerFolder(drivePath);
    }
    return exists;
}

std::string readWholeFile(const DataFolder& folder, std::string_view drivePath) {
    std::string content;
    if (const int error =
            platform::readWholeFile(folder.resolve(drivePath), content, patienceForHeldFiles(), folder.faults())) {
        throw FileError(FileOperation::Read, error, folder.shownPath(drivePath), {}, folder.kind());
    }
    return content;
}

bool writeFileAtomically(const DataFolder& folder, std::string_view drivePath, std::string_view bytes, WriteMode mode) {
    folder.create();
    const std::filesystem::path target = platform::linkTarget(folder.resolve(drivePath));
    if (const int error = platform::writeProtected(target)) {
        throw FileError(FileOperation::ReadOnly, error, folder.shownPath(drivePath), {}, folder.kind());
    }
    std::filesystem::path temporary = target;
    temporary += std::u8string(kTemporarySuffix.begin(), kTemporarySuffix.end());
    const bool replace = mode != WriteMode::CreateNew;
    const int error = platform::replaceFile(target, temporary, bytes, replace, patienceForHeldFiles(), folder.faults());
    if (error != 0 && !replace && platform::alreadyExists(error)) {
        return false;
    }
    if (error != 0) {
        throw FileError(FileOperation::Write, error, folder.shownPath(drivePath), {}, folder.kind());
    }
    return true;
}

}  // namespace callpad
