#include "messages/ReceivedStamp.h"

#include <cstdio>

namespace callpad {

std::string receivedDate(const LocalDateTime& moment) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", moment.year, moment.month, moment.day);
    return text;
}

std::string receivedTime(const LocalDateTime& moment) {
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d:%02d", moment.hour, moment.minute, moment.second);
    return text;
}

}  // namespace callpad
