#pragma once

#include <string>

#include "records/Clock.h"

namespace callpad {

// The Japanese regional short forms on every machine, so that files shared between machines agree.
// 2026-12-06 -> "2026/12/06"; 09:05:03 -> "9:05:03".
std::string receivedDate(const LocalDateTime& moment);
std::string receivedTime(const LocalDateTime& moment);

}  // namespace callpad
