// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

// Notes of a synthesizer measured as a listener hears them: for the
// levelling tests and the benchmark that prints the levels.
struct SoundingSynth {
    std::function<void(uint32_t)> send;                     // a short message
    std::function<bool(float*, float*, int)> render;        // the next frames, stereo
    double sampleRate = 48000;
};

struct NoteLevel {
    double peakDb = 0;   // sample peak, dBFS
    double loudness = 0; // K-weighted, LUFS
};

// `messages` sent one after another with `gapsMs` between them (gapsMs[i]
// before messages[i]), then `tailMs` more; the whole sound measured. All
// Sound Off afterwards, so the next measurement starts from silence.
NoteLevel measureSequence(SoundingSynth& synth, const std::vector<uint32_t>& messages,
                          const std::vector<int>& gapsMs, int tailMs);

// One note at velocity 127 of `program`, from its start, over `ms`.
NoteLevel measureNote(SoundingSynth& synth, int program, int note, int ms = 400);

// Every note from 36 to 84 of a program.
struct InstrumentLevel {
    double minPeakDb = 0, medianPeakDb = 0, maxPeakDb = 0;
    double loudness = 0; // the mean of C, C' and C'' (ProgramLevels::LoudnessNotes)
};
InstrumentLevel measureInstrument(SoundingSynth& synth, int program);
