#include "messages/MessageStore.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "messages/MessageFile.h"
#include "records/AtomicFile.h"
#include "records/FileError.h"
#include "records/FolderLock.h"

namespace callpad {

namespace {

// A record of the file with the bytes it was read from.
struct StoredRecord {
    PhoneMessage message;
    std::string_view bytes;
};

// Every record of the file, or nothing when the file is damaged.
std::optional<std::vector<StoredRecord>> readAllRecords(std::string_view content) {
    std::vector<StoredRecord> records;
    RecordDecoder decoder(content);
    while (!decoder.atEnd()) {
        const std::size_t start = decoder.position();
        StoredRecord record;
        for (int n = 1; n <= PhoneMessage::kFieldCount; ++n) {
            auto field = decoder.readField();
            if (!field) {
                return std::nullopt;
            }
            record.message.field(n) = std::move(*field);
        }
        record.bytes = content.substr(start, decoder.position() - start);
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace

SaveResult saveNewMessage(const DataFolder& folder, std::string_view drivePath, const PhoneMessage& message) {
    return underFolderLock(folder, [&] {
        // A file that the read found missing is created, never replaced: another PC may have created it a
        // moment ago. If it turns up, it is read again and the message saved into it.
        constexpr int kAttempts = 3;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            MessageTable table;
            const MessageLoad load = LoadMessages(folder, drivePath, table);
            if (load.damaged) {
                return SaveResult::FileDamaged;
            }
            if (load.recordsBeyondCapacity > 0 || !table.PrependMessage(message)) {
                return SaveResult::FileFull;
            }
            if (SaveMessages(folder, drivePath, table, load.fileFound ? WriteMode::Replace : WriteMode::CreateNew)) {
                return SaveResult::Saved;
            }
        }
        // The file system keeps saying both that the file is missing and that it exists.
        throw FileError(FileOperation::Write, platform::existingFileNumber(), folder.shownPath(drivePath));
    });
}

DeleteResult deleteMessageFromFile(const DataFolder& folder, std::string_view drivePath, const MessageTable& table,
                                   int position, int recordsAfterTable) {
    if (position < 1 || position > table.MessageCount()) {
        throw std::out_of_range("no message at that position of the table");
    }
    const PhoneMessage& target = table.slot(position);
    int fromEndOfTable = 0;
    for (int i = position; i <= table.MessageCount(); ++i) {
        fromEndOfTable += table.slot(i) == target ? 1 : 0;
    }

    return underFolderLock(folder, [&] {
        if (!fileExists(folder, drivePath)) {
            return DeleteResult::NotInFile;
        }
        const std::string content = readWholeFile(folder, drivePath);
        const auto records = readAllRecords(content);
        if (!records) {
            return DeleteResult::FileDamaged;
        }
        int fromEnd = fromEndOfTable;
        const auto tail = std::min<std::size_t>(records->size(), static_cast<std::size_t>(recordsAfterTable));
        for (auto it = records->end() - static_cast<std::ptrdiff_t>(tail); it != records->end(); ++it) {
            fromEnd += it->message == target ? 1 : 0;
        }
        for (auto it = records->rbegin(); it != records->rend(); ++it) {
            if (it->message == target && --fromEnd == 0) {
                std::string rest;
                rest.reserve(content.size());
                for (const auto& record : *records) {
                    if (&record != &*it) {
                        rest += record.bytes;
                    }
                }
                writeFileAtomically(folder, drivePath, rest);
                return DeleteResult::Deleted;
            }
        }
        return DeleteResult::NotInFile;
    });
}

}  // namespace callpad
