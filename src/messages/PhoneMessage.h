#pragma once

#include <array>
#include <string>

namespace callpad {

// One telephone message: the ten text fields of a message record, in file order.
struct PhoneMessage {
    static constexpr int kFieldCount = 10;

    std::string CallerParty;
    std::string CallerPerson;
    std::string ReceivedDate;
    std::string ReceivedTime;
    std::string CallBackFlag;  // "1" call back, "0" the party only called
    std::string PhoneNumber;
    std::string MessageText;
    std::string Deadline;
    std::string Reporter;
    std::string CallerPartyCopy;

    // Field n (1 to 10) in file order.
    std::string& field(int n);
    const std::string& field(int n) const;

    bool operator==(const PhoneMessage&) const = default;
};

}  // namespace callpad
