#include "messages/MessageEntry.h"

#include "messages/MessageFile.h"

namespace callpad {

const std::string& MessageEntry::text(TextInput input) const {
    switch (input) {
        case TextInput::Party: return party;
        case TextInput::Person: return person;
        case TextInput::PhoneNumber: return phoneNumber;
        case TextInput::Content: return content;
        case TextInput::Deadline: return deadline;
        case TextInput::Reporter: return reporter;
        case TextInput::Recipient: break;
    }
    return recipient;
}

std::optional<Refusal> checkEntry(const MessageEntry& entry) {
    using enum TextInput;
    for (const TextInput input : {Party, Person, PhoneNumber, Content, Deadline, Reporter}) {
        if (auto refusal = checkFieldText(input, entry.text(input))) {
            return refusal;
        }
    }
    // The recipient is not stored in the record, but it names the file and must also be a name that
    // the recipient list file can hold.
    if (const FileNameProblem problem = checkRecipientName(entry.recipient); problem != FileNameProblem::None) {
        return Refusal{Recipient, Refusal::NotAFileName, {}, problem};
    }
    return checkFieldText(Recipient, entry.recipient);
}

PhoneMessage buildMessage(const MessageEntry& entry, const LocalDateTime& moment) {
    return {
        entry.party,       entry.person,  receivedDate(moment), receivedTime(moment), entry.callBack ? "1" : "0",
        entry.phoneNumber, entry.content, entry.deadline,       entry.reporter,       entry.party,
    };
}

}  // namespace callpad
