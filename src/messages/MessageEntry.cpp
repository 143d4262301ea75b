#include "messages/MessageEntry.h"

#include <utility>

#include "messages/MessageFile.h"

namespace callpad {

std::optional<EntryProblem> checkEntry(const MessageEntry& entry) {
    const std::pair<EntryInput, const std::string&> inputs[] = {
        {EntryInput::Party, entry.party},
        {EntryInput::Person, entry.person},
        {EntryInput::PhoneNumber, entry.phoneNumber},
        {EntryInput::Content, entry.content},
        {EntryInput::Deadline, entry.deadline},
        {EntryInput::Reporter, entry.reporter},
    };
    for (const auto& [input, text] : inputs) {
        if (auto problem = checkFieldText(text)) {
            return EntryProblem{input, problem};
        }
    }
    // The recipient is not stored in the record, but it names the file and must also be a name that
    // the recipient list file can hold.
    if (const FileNameProblem problem = checkRecipientName(entry.recipient); problem != FileNameProblem::None) {
        return EntryProblem{EntryInput::Recipient, std::nullopt, problem};
    }
    if (auto problem = checkFieldText(entry.recipient)) {
        return EntryProblem{EntryInput::Recipient, problem};
    }
    return std::nullopt;
}

PhoneMessage buildMessage(const MessageEntry& entry, const LocalDateTime& moment) {
    return {
        entry.party,       entry.person,  receivedDate(moment), receivedTime(moment), entry.callBack ? "1" : "0",
        entry.phoneNumber, entry.content, entry.deadline,       entry.reporter,       entry.party,
    };
}

}  // namespace callpad
