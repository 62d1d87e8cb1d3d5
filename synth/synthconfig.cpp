// SPDX-License-Identifier: GPL-3.0-or-later
#include "synthconfig.h"

#include <cstdlib>

SynthConfig SynthConfig::fromEnvironment() {
    SynthConfig config;
    if (const char* audio = std::getenv("QVB_SYNTH_AUDIO"))
        config.audio = audio;
    return config;
}
