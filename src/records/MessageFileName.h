#pragma once

#include <string>
#include <string_view>

#include "records/DataFolder.h"

namespace callpad {

// The name of a recipient's message file, here below both the recipient list's editor, which refuses
// names that cannot be one, and the message files themselves.

// The name as the recipient list stores it: through code page 932 and back, so that "a〜b" typed through
// an input method becomes "a～b", as the list reads it back. A name that code page 932 cannot hold stays
// as it is.
std::string storedSpelling(std::string_view name);

// "c:\" + recipient + "callpad.txt", the recipient in its stored spelling, so that a name typed and the
// same name chosen from the list name one file; an empty one gives "c:\callpad.txt".
std::string MessageFilePath(std::string_view recipient);

// Why a recipient name cannot name a message file.
FileNameProblem checkRecipientName(std::string_view recipient);

}  // namespace callpad
