// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "instruments.h"

// A gain for each General MIDI program, so that the instruments of the
// combobox sound equally loud whichever SoundFont plays them, and loud enough.
//
// A SoundFont's instruments differ by more than 12 dB at the same velocity,
// and FluidSynth's own gain of 0.2 leaves all of them some 20 dB below other
// programs. So each of the table's programs is played once, offline, by a
// synthesizer of its own: notes across the keyboard at velocity 127, each
// measured over its first 400 ms (K-weighted loudness, see LoudnessMeter, and
// the sample peak). Programs outside the table get the table's median gain.
//
// Within an instrument the SoundFont's notes keep their own differences,
// except where a note would fall far below the others: a recorder's lowest
// notes, stretched below its range, or one badly recorded sample. Such keys
// are lifted to the floor, and the rest of the instrument's keys are played
// that much softer under a higher gain (keyCutDb).
class ProgramLevels {
public:
    static constexpr int LowestKey = 36; // the keys the staves sound, C to C'''
    static constexpr int HighestKey = 84;
    static constexpr int KeyCount = HighestKey - LowestKey + 1;
    using KeyPeaks = std::array<double, KeyCount>;
    static KeyPeaks unplayedKeys(); // NaN for every key

    // What the playing of one program gave, at gain 1.
    struct Measured {
        double loudness = 0;                // LUFS, the mean of LoudnessNotes
        double medianPeak = 0;              // dBFS, the median of the notes played
        double minPeak = 0;                 // dBFS, the quietest of them
        double maxPeak = 0;                 // dBFS, the loudest of them
        KeyPeaks keyPeaks = unplayedKeys(); // dBFS of each key played, NaN for the others
    };
    using Table = std::array<Measured, InstrumentCount>;

    // The first keys played of each program, low to high, with LoudnessNotes
    // making its loudness: done before a pupil can play. Then every other key,
    // to find the stray ones. An instrument's loudness is that of the notes
    // the compass buttons name, C, C' and C'', as a pupil hears them first.
    enum class Keys { Few, Every };
    static constexpr int Notes[] = {36, 48, 60, 72, 84};
    static constexpr int LoudnessNotes[] = {36, 60, 72};
    static constexpr int NoteMs = 400;
    static constexpr int Velocity = 127;

    // Where the levelled notes go: a note's median peak at -6 dBFS. Notes
    // sounding together (a wrong click's note and, 500 ms later, its
    // correction) may add up to more; the limiter on the output takes that.
    static constexpr double TargetMedianPeakDb = -6.0;
    // How far a program may stray from the loudness the instruments share to
    // bring its peaks to the target: instruments with sharp attacks peak higher
    // at the same loudness. The shared loudness is placed where the programs
    // stray least from the target. The window, 2.3 dB wide, keeps the
    // instruments within 2.5 dB of each other as the program plays them, which
    // strays a tenth of a dB from what is measured here.
    static constexpr double LeewayDb = 1.15;
    // No key below the floor (it is lifted, see above), and none above the
    // ceiling, beyond which the limiter would change a single note. When an
    // instrument's loudest note would pass the ceiling even at the low end of
    // its leeway, all instruments are played softer together, so that they
    // stay equally loud.
    static constexpr double FloorDb = -11.5;
    static constexpr double CeilingDb = -1.5;
    // FluidSynth's own default, for programs while nothing is measured.
    static constexpr float UnmeasuredGain = 0.2f;

    // Every program at FluidSynth's default gain.
    ProgramLevels();

    // Plays the table's programs of `soundFont` at `sampleRate`. Unmeasured
    // (gains as above) when the SoundFont cannot be read or `cancel` is set.
    // FluidSynth's calls for two synthesizers must not run at the same time:
    // with `fluidLock`, each step of the measurement (reading the SoundFont,
    // one note) holds it, so that the other synthesizer waits a moment at most.
    // Every key goes on from the few, and hands their levels to `fewKeysDone`
    // (on this thread, with no lock held) before it plays the rest.
    static ProgramLevels measure(const std::string& soundFont, double sampleRate,
                                 const std::atomic<bool>* cancel = nullptr,
                                 std::mutex* fluidLock = nullptr, Keys keys = Keys::Few,
                                 const std::function<void(const ProgramLevels&)>& fewKeysDone = {});
    // The gains for what was measured; a program that made no sound gets the
    // median. A key not played is taken to lie on the line between the played
    // keys beside it.
    static ProgramLevels fromMeasurements(const Table& table);

    // FluidSynth's gain (linear) for a program 0..127.
    float gain(int program) const;
    // How much softer than its program's gain a key sounds, in dB (0 or more);
    // a key beyond the staves' as the nearest of them.
    float keyCutDb(int program, int key) const;
    bool isMeasured() const { return m_measured; }
    bool everyKeyPlayed() const { return m_everyKey; }
    const Table& measurements() const { return m_table; }
    // How long playing the programs took, in milliseconds.
    double measuringMs() const { return m_measuringMs; }

private:
    std::array<float, 128> m_gain;
    std::array<std::array<float, KeyCount>, InstrumentCount> m_keyCutDb{};
    Table m_table{};
    bool m_measured = false;
    bool m_everyKey = false;
    double m_measuringMs = 0;
};
