#pragma once

#include <string>

namespace callpad {

// A moment on the local clock, for the received date and time of a message.
struct LocalDateTime {
    int year, month, day, hour, minute, second;
};

LocalDateTime localNow();

// The Japanese regional short forms on every machine, so that files shared between machines agree.
// 2026-12-06 -> "2026/12/06"; 09:05:03 -> "9:05:03".
std::string receivedDate(const LocalDateTime& moment);
std::string receivedTime(const LocalDateTime& moment);

}  // namespace callpad
