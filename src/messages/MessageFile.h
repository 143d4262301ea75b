#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "messages/MessageTable.h"
#include "records/DataFolder.h"
#include "records/MessageFileName.h"
#include "records/TextRecordFile.h"

namespace callpad {

// What a load found besides the records it put into the table.
struct MessageLoad {
    int recordsBeyondCapacity = 0;  // records after the 50th of a file made elsewhere
    bool damaged = false;           // the last record is short, or bytes are no text of code page 932
    bool fileFound = false;         // the file was there; a save of a missing one must not replace one
    bool isWhole() const { return recordsBeyondCapacity == 0 && !damaged; }
};

// Empties the table and fills it from the file, first 50 records; a missing file gives no records
// and is not created. Throws FileError, and the table is then unchanged.
MessageLoad LoadMessages(const DataFolder& folder, std::string_view drivePath, MessageTable& table);

// Replaces the file with records 1 to MessageCount. Throws FileError. With WriteMode::CreateNew,
// returns false and writes nothing when the file exists after all.
bool SaveMessages(const DataFolder& folder, std::string_view drivePath, const MessageTable& table,
                  WriteMode mode = WriteMode::Replace);

}  // namespace callpad
