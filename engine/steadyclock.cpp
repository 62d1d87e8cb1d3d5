// SPDX-License-Identifier: GPL-3.0-or-later
#include "steadyclock.h"

#include <chrono>

uint32_t SteadyClock::now() {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(ms);
}
