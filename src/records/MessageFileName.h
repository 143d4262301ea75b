#pragma once

#include <string>
#include <string_view>

#include "records/DataFolder.h"

namespace callpad {

// The name of a recipient's message file, here below both the recipient list's editor, which refuses
// names that cannot be one, and the message files themselves.

// "c:\" + recipient + "callpad.txt"; the name is used unchanged, an empty one gives "c:\callpad.txt".
std::string MessageFilePath(std::string_view recipient);

// Why a recipient name cannot name a message file.
FileNameProblem checkRecipientName(std::string_view recipient);

}  // namespace callpad
