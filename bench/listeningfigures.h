// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the microphone's benchmarks share: the synthesizer on FluidR3, the
// CPU a thread has used, a median, and a German passage to be read aloud.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "fluidsynthout.h"
#include "heardsounds.h"

// The built-in synthesizer on the SoundFont QVB_LISTEN_SOUNDFONT names;
// nullptr, said on standard error, when there is none that loads.
inline std::unique_ptr<FluidSynthOut> openTableSynth() {
    const std::string soundFont = listeningSoundFont();
    auto synth = soundFont.empty() ? nullptr : openListeningSynth(soundFont);
    if (!synth)
        std::fprintf(stderr,
                     "QVB_LISTEN_SOUNDFONT names no SoundFont that loads (FluidR3_GM.sf2).\n");
    return synth;
}

inline double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

inline double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Read aloud again and again until a minute is full.
inline const char* const GermanPassage =
    "Heute üben wir das Hören von Tönen. Die Lehrerin spielt einen Ton auf dem Klavier, und "
    "die Schülerinnen und Schüler sollen ihn benennen. Manchmal ist es ein hohes C, manchmal "
    "ein tiefes G. Wer richtig antwortet, bekommt einen Punkt. Wer sich irrt, verliert einen. "
    "Nach der Stunde gehen alle nach Hause und erzählen ihren Eltern, was sie gelernt haben. "
    "Am Wochenende fahren wir mit dem Fahrrad an den See, wenn das Wetter schön bleibt. "
    "Vergiss bitte nicht, die Noten für die Probe am Donnerstag mitzubringen. ";
