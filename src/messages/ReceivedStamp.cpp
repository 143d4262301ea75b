#include "messages/ReceivedStamp.h"

#include <cstdio>
#include <ctime>

namespace callpad {

LocalDateTime localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

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
