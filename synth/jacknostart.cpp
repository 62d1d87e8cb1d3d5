// SPDX-License-Identifier: GPL-3.0-or-later
#include "jacknostart.h"

#include <cstdlib>
#include <cstring>

void forbidJackServerStart() {
    // setenv races with every getenv of other threads: only write when needed.
    const char* noStart = std::getenv("JACK_NO_START_SERVER");
    if (!noStart || std::strcmp(noStart, "1") != 0)
        ::setenv("JACK_NO_START_SERVER", "1", 1);
}
