// SPDX-License-Identifier: GPL-3.0-or-later
// The entry of the listening module (see microphone.h).
#include "pulsemicrophones.h"

extern "C" __attribute__((visibility("default"))) Microphones* qvb_open_microphones() {
    return new PulseMicrophones();
}
