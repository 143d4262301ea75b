#include "records/Clock.h"

#include <ctime>

#include "records/Platform.h"

namespace callpad {

LocalDateTime localNow() {
    const std::tm local = platform::localTime(std::time(nullptr));
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace callpad
