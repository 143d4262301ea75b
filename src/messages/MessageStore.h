#pragma once

#include <string_view>

#include "messages/MessageTable.h"
#include "records/DataFolder.h"

namespace callpad {

// The read-modify-write operations on a message file. Each runs under the folder lock, so that
// another copy of the program cannot slip a rewrite in between the read and the write.

enum class SaveResult {
    Saved,
    FileFull,     // the file already holds 50 (or more) messages; nothing written
    FileDamaged,  // the file cannot be read whole; nothing written
};

// The entry screen's save: reads the file afresh, puts the message in front and rewrites it.
// Throws FileError.
SaveResult saveNewMessage(const DataFolder& folder, std::string_view drivePath, const PhoneMessage& message);

enum class DeleteResult {
    Deleted,
    NotInFile,    // the record is no longer in the file; nothing written
    FileDamaged,  // the file cannot be read whole; nothing written
};

// Removes from the file the record shown at `position` of a table loaded from it. The file is read
// again, so that what the table does not hold (a message saved meanwhile, records after the 50th)
// stays; every other record keeps its bytes. Identical records are told apart by counting from the
// end: saves only add at the top, so the k-th identical record from the end of the table is the
// k-th from the end of the file, once the `recordsAfterTable` records that followed the table in the
// file (a file of more than 50) are counted too. Throws FileError.
DeleteResult deleteMessageFromFile(const DataFolder& folder, std::string_view drivePath, const MessageTable& table,
                                   int position, int recordsAfterTable = 0);

}  // namespace callpad
