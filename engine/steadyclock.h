// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "msclock.h"

// The real clock: milliseconds of the monotonic clock, wrapping at 2^32.
class SteadyClock final : public MsClock {
public:
    uint32_t now() override;
};
