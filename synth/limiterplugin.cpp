// SPDX-License-Identifier: GPL-3.0-or-later
// The peak limiter as an effect that FluidSynth runs on its own output, the
// same for every audio driver, the WAV file and offline rendering alike.
#include <ladspa.h>

#include <new>

#include "peaklimiter.h"

namespace {
enum Port : unsigned long { InLeft, InRight, OutLeft, OutRight, PortCount };

struct Instance {
    explicit Instance(double rate) : limiter(rate) {}
    PeakLimiter limiter;
    LADSPA_Data* ports[PortCount] = {};
};

LADSPA_Handle instantiate(const LADSPA_Descriptor*, unsigned long sampleRate) {
    return new (std::nothrow) Instance(double(sampleRate));
}

void connect(LADSPA_Handle handle, unsigned long port, LADSPA_Data* data) {
    if (port < PortCount)
        static_cast<Instance*>(handle)->ports[port] = data;
}

void run(LADSPA_Handle handle, unsigned long frames) {
    auto* instance = static_cast<Instance*>(handle);
    LADSPA_Data** p = instance->ports;
    if (p[InLeft] && p[InRight] && p[OutLeft] && p[OutRight])
        instance->limiter.process(p[InLeft], p[InRight], p[OutLeft], p[OutRight], frames);
}

void cleanup(LADSPA_Handle handle) {
    delete static_cast<Instance*>(handle);
}

const LADSPA_PortDescriptor PortKinds[PortCount] = {
    LADSPA_PORT_INPUT | LADSPA_PORT_AUDIO, LADSPA_PORT_INPUT | LADSPA_PORT_AUDIO,
    LADSPA_PORT_OUTPUT | LADSPA_PORT_AUDIO, LADSPA_PORT_OUTPUT | LADSPA_PORT_AUDIO};
const char* const PortNames[PortCount] = {"In L", "In R", "Out L", "Out R"};
const LADSPA_PortRangeHint PortHints[PortCount] = {};

const LADSPA_Descriptor Descriptor = {
    0x51564231, // unique id: "QVB1"
    "qvb_peak_limiter",
    LADSPA_PROPERTY_HARD_RT_CAPABLE,
    "QVB-Zaradariveda peak limiter",
    "QVB-Zaradariveda",
    "GPL-3.0-or-later",
    PortCount,
    PortKinds,
    PortNames,
    PortHints,
    nullptr,
    instantiate,
    connect,
    nullptr,
    run,
    nullptr,
    nullptr,
    nullptr,
    cleanup,
};
} // namespace

extern "C" __attribute__((visibility("default"))) const LADSPA_Descriptor*
ladspa_descriptor(unsigned long index) {
    return index == 0 ? &Descriptor : nullptr;
}
