#include "messages/MessageFile.h"

#include <utility>
#include <vector>

#include "records/FolderLock.h"

namespace callpad {

namespace {

// Reads one record of ten fields; nothing when the file ends or is damaged inside it.
std::optional<PhoneMessage> readMessage(TextRecordFile& file) {
    PhoneMessage message;
    for (int n = 1; n <= PhoneMessage::kFieldCount; ++n) {
        auto field = file.ReadField();
        if (!field) {
            return std::nullopt;
        }
        message.field(n) = std::move(*field);
    }
    return message;
}

}  // namespace

MessageLoad LoadMessages(const DataFolder& folder, std::string_view drivePath, MessageTable& table) {
    MessageLoad result;
    // Read into a table of its own, so that a failed read leaves the caller's table as it was.
    MessageTable loaded;
    TextRecordFile file(folder);
    result.fileFound = file.FileExists(drivePath);
    if (result.fileFound) {
        file.OpenForInput(drivePath);
        while (!file.AtEndOfFile()) {
            auto message = readMessage(file);
            if (!message) {
                result.damaged = true;
                break;
            }
            if (loaded.isFull()) {
                ++result.recordsBeyondCapacity;
            } else {
                loaded.append(std::move(*message));
            }
        }
        file.CloseFile();
    }
    table = std::move(loaded);
    return result;
}

bool SaveMessages(const DataFolder& folder, std::string_view drivePath, const MessageTable& table, WriteMode mode) {
    TextRecordFile file(folder);
    file.OpenForOutput(drivePath, mode);
    // One set of fields for all records: assigning a text reuses the room of the one before.
    std::vector<std::string> fields(PhoneMessage::kFieldCount);
    for (int i = 1; i <= table.MessageCount(); ++i) {
        for (int n = 1; n <= PhoneMessage::kFieldCount; ++n) {
            fields[n - 1] = table.slot(i).field(n);
        }
        file.WriteRecord(fields);
    }
    return file.CloseFile();
}

}  // namespace callpad
