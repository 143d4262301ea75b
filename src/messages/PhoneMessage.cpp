#include "messages/PhoneMessage.h"

#include <stdexcept>

namespace callpad {

std::string& PhoneMessage::field(int n) {
    return const_cast<std::string&>(static_cast<const PhoneMessage*>(this)->field(n));
}

const std::string& PhoneMessage::field(int n) const {
    switch (n) {
        case 1: return CallerParty;
        case 2: return CallerPerson;
        case 3: return ReceivedDate;
        case 4: return ReceivedTime;
        case 5: return CallBackFlag;
        case 6: return PhoneNumber;
        case 7: return MessageText;
        case 8: return Deadline;
        case 9: return Reporter;
        case 10: return CallerPartyCopy;
        default: throw std::out_of_range("a message has fields 1 to 10");
    }
}

}  // namespace callpad
