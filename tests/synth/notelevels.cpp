// SPDX-License-Identifier: GPL-3.0-or-later
#include "notelevels.h"

#include <algorithm>

#include "loudnessmeter.h"
#include "midioutport.h"
#include "programlevels.h"

NoteLevel measureSequence(SoundingSynth& synth, const std::vector<uint32_t>& messages,
                          const std::vector<int>& gapsMs, int tailMs) {
    LoudnessMeter meter(synth.sampleRate);
    std::vector<float> left, right;
    const auto play = [&](int ms) {
        const int frames = int(ms * synth.sampleRate / 1000.0);
        if (frames <= 0)
            return;
        left.assign(std::size_t(frames), 0.0f);
        right.assign(std::size_t(frames), 0.0f);
        synth.render(left.data(), right.data(), frames);
        meter.add(left.data(), right.data(), std::size_t(frames));
    };
    for (std::size_t i = 0; i < messages.size(); ++i) {
        if (i < gapsMs.size())
            play(gapsMs[i]);
        synth.send(messages[i]);
    }
    play(tailMs);
    synth.send(packShortMessage(0xB0, 0x78, 0));
    return {meter.peakDbfs(), meter.loudnessLufs()};
}

NoteLevel measureNote(SoundingSynth& synth, int program, int note, int ms) {
    return measureSequence(
        synth,
        {packShortMessage(0xC0, uint8_t(program), 0), packShortMessage(0x90, uint8_t(note), 127)},
        {}, ms);
}

InstrumentLevel measureInstrument(SoundingSynth& synth, int program) {
    std::vector<double> peaks;
    double loudness = 0;
    for (int note = 36; note <= 84; ++note) {
        const NoteLevel level = measureNote(synth, program, note);
        peaks.push_back(level.peakDb);
        for (int loud : ProgramLevels::LoudnessNotes) {
            if (note == loud)
                loudness += level.loudness / double(std::size(ProgramLevels::LoudnessNotes));
        }
    }
    std::sort(peaks.begin(), peaks.end());
    InstrumentLevel result;
    result.minPeakDb = peaks.front();
    result.maxPeakDb = peaks.back();
    result.medianPeakDb = peaks[peaks.size() / 2];
    result.loudness = loudness;
    return result;
}
