#pragma once

namespace callpad {

// A moment on the local clock, for the received date and time of a message.
struct LocalDateTime {
    int year, month, day, hour, minute, second;
};

// The clock of this machine. Screens are given it as a function, so that tests can fix the time.
LocalDateTime localNow();

}  // namespace callpad
