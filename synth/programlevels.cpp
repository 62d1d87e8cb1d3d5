// SPDX-License-Identifier: GPL-3.0-or-later
#include "programlevels.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "loudnessmeter.h"

namespace {
double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

float linear(double db) {
    return float(std::pow(10.0, db / 20.0));
}

// FluidSynth takes gains up to 10.
constexpr double MaxGainDb = 20.0;

// A synthesizer with nothing but the SoundFont: no audio driver, no effects.
class MeasuringSynth {
public:
    MeasuringSynth(const std::string& soundFont, double sampleRate) : m_rate(sampleRate) {
        m_settings = new_fluid_settings();
        if (!m_settings)
            return;
        fluid_settings_setnum(m_settings, "synth.sample-rate", sampleRate);
        fluid_settings_setnum(m_settings, "synth.gain", 1.0);
        fluid_settings_setint(m_settings, "synth.polyphony", 16);
        fluid_settings_setint(m_settings, "synth.reverb.active", 0);
        fluid_settings_setint(m_settings, "synth.chorus.active", 0);
        // Only the samples of the programs played are read.
        fluid_settings_setint(m_settings, "synth.dynamic-sample-loading", 1);
        fluid_settings_setint(m_settings, "synth.lock-memory", 0);
        m_synth = new_fluid_synth(m_settings);
        if (m_synth && fluid_synth_sfload(m_synth, soundFont.c_str(), 1) == FLUID_FAILED) {
            delete_fluid_synth(m_synth);
            m_synth = nullptr;
        }
    }
    ~MeasuringSynth() {
        if (m_synth)
            delete_fluid_synth(m_synth);
        if (m_settings)
            delete_fluid_settings(m_settings);
    }
    MeasuringSynth(const MeasuringSynth&) = delete;
    MeasuringSynth& operator=(const MeasuringSynth&) = delete;

    bool ok() const { return m_synth != nullptr; }

    // Loudness and peak of one note from its start.
    void play(int program, int note, int frames, double& loudness, double& peak) {
        fluid_synth_program_change(m_synth, 0, program);
        fluid_synth_noteon(m_synth, 0, note, ProgramLevels::Velocity);
        m_left.resize(std::size_t(frames));
        m_right.resize(std::size_t(frames));
        fluid_synth_write_float(m_synth, frames, m_left.data(), 0, 1, m_right.data(), 0, 1);
        fluid_synth_all_sounds_off(m_synth, 0);
        LoudnessMeter meter(m_rate);
        meter.add(m_left.data(), m_right.data(), std::size_t(frames));
        loudness = meter.loudnessLufs();
        peak = meter.peakDbfs();
    }

private:
    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
    double m_rate;
    std::vector<float> m_left, m_right;
};
} // namespace

ProgramLevels::ProgramLevels() {
    m_gain.fill(UnmeasuredGain);
}

float ProgramLevels::gain(int program) const {
    return m_gain[std::size_t(std::clamp(program, 0, 127))];
}

namespace {
// Holds the lock, if there is one, for one step.
std::unique_lock<std::mutex> step(std::mutex* lock) {
    return lock ? std::unique_lock<std::mutex>(*lock) : std::unique_lock<std::mutex>();
}
} // namespace

ProgramLevels ProgramLevels::measure(const std::string& soundFont, double sampleRate,
                                     const std::atomic<bool>* cancel, std::mutex* fluidLock,
                                     Keys keys,
                                     const std::function<void(const ProgramLevels&)>& fewKeysDone) {
    const auto start = std::chrono::steady_clock::now();
    const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
    if (sampleRate <= 0 || cancelled())
        return {};
    std::unique_ptr<MeasuringSynth> synth;
    {
        auto held = step(fluidLock);
        synth = std::make_unique<MeasuringSynth>(soundFont, sampleRate);
    }
    // Made and unmade under the lock too.
    struct Unmake {
        std::unique_ptr<MeasuringSynth>& synth;
        std::mutex* lock;
        ~Unmake() {
            auto held = step(lock);
            synth.reset();
        }
    } unmake{synth, fluidLock};
    if (!synth->ok())
        return {};
    const int frames = int(sampleRate * NoteMs / 1000.0);
    Table table;
    // Plays `keys` of every program into the table; false when cancelled.
    const auto play = [&](const std::vector<int>& keys) {
        for (int i = 0; i < InstrumentCount; ++i) {
            Measured& m = table[std::size_t(i)];
            for (int note : keys) {
                if (cancelled())
                    return false;
                double loudness = 0, peak = 0;
                {
                    auto held = step(fluidLock);
                    synth->play(Instruments[i].program, note, frames, loudness, peak);
                }
                m.keyPeaks[std::size_t(note - LowestKey)] = peak;
                if (std::find(std::begin(LoudnessNotes), std::end(LoudnessNotes), note) !=
                    std::end(LoudnessNotes))
                    m.loudness += loudness / double(std::size(LoudnessNotes));
            }
            std::vector<double> peaks;
            for (double peak : m.keyPeaks) {
                if (!std::isnan(peak)) // a silent key was played too
                    peaks.push_back(peak);
            }
            m.medianPeak = median(peaks);
            m.minPeak = *std::min_element(peaks.begin(), peaks.end());
            m.maxPeak = *std::max_element(peaks.begin(), peaks.end());
        }
        return true;
    };
    const auto levelled = [&] {
        ProgramLevels levels = fromMeasurements(table);
        levels.m_measuringMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        return levels;
    };
    if (!play(std::vector<int>(std::begin(Notes), std::end(Notes))))
        return {};
    if (keys == Keys::Few)
        return levelled();
    if (fewKeysDone)
        fewKeysDone(levelled());
    std::vector<int> rest;
    for (int key = LowestKey; key <= HighestKey; ++key) {
        if (std::find(std::begin(Notes), std::end(Notes), key) == std::end(Notes))
            rest.push_back(key);
    }
    if (!play(rest))
        return {};
    ProgramLevels levels = levelled();
    levels.m_everyKey = levels.m_measured;
    return levels;
}

namespace {
// The keys not played (or silent), on the line between the played keys
// beside them; empty when no key was played.
std::vector<double> everyKey(const ProgramLevels::KeyPeaks& played) {
    std::vector<int> known;
    for (int k = 0; k < ProgramLevels::KeyCount; ++k) {
        if (std::isfinite(played[std::size_t(k)]))
            known.push_back(k);
    }
    if (known.empty())
        return {};
    std::vector<double> peaks(std::size_t(ProgramLevels::KeyCount));
    std::size_t next = 0; // the first known key at or above k
    for (int k = 0; k < ProgramLevels::KeyCount; ++k) {
        while (next < known.size() && known[next] < k)
            ++next;
        if (next == known.size()) {
            peaks[std::size_t(k)] = played[std::size_t(known.back())];
        } else if (known[next] == k || next == 0) {
            peaks[std::size_t(k)] = played[std::size_t(known[next])];
        } else {
            const int a = known[next - 1], b = known[next];
            const double t = double(k - a) / double(b - a);
            peaks[std::size_t(k)] = (1 - t) * played[std::size_t(a)] + t * played[std::size_t(b)];
        }
    }
    return peaks;
}

// No key is lifted by more: beyond that a key is not quiet but broken.
constexpr double MaxLiftDb = 12.0;

// Under a program's gain `g` (dB), how far each key comes up to the floor:
// `most` is the highest lift, which the gain takes on, the others going down
// as far as they are not lifted.
struct Lift {
    std::array<double, ProgramLevels::KeyCount> key{};
    double most = 0;
};
Lift lifted(const std::vector<double>& peaks, double g) {
    Lift lift;
    if (peaks.empty())
        return lift;
    for (std::size_t k = 0; k < lift.key.size(); ++k) {
        lift.key[k] = std::clamp(ProgramLevels::FloorDb - (peaks[k] + g), 0.0, MaxLiftDb);
        lift.most = std::max(lift.most, lift.key[k]);
    }
    lift.most = std::max(0.0, std::min(lift.most, MaxGainDb - g));
    return lift;
}

// What the lift of the loudness notes depends on: their peaks and the
// lowest peak of all keys (the highest lift, which bounds theirs).
struct LoudnessKeys {
    bool known = false;
    double lowest = 0;
    std::array<double, std::size(ProgramLevels::LoudnessNotes)> peak{};
};
LoudnessKeys loudnessKeys(const std::vector<double>& peaks) {
    LoudnessKeys keys;
    if (peaks.empty())
        return keys;
    keys.known = true;
    keys.lowest = *std::min_element(peaks.begin(), peaks.end());
    for (std::size_t j = 0; j < keys.peak.size(); ++j)
        keys.peak[j] =
            peaks[std::size_t(ProgramLevels::LoudnessNotes[j] - ProgramLevels::LowestKey)];
    return keys;
}

// How much louder the program sounds than its measured loudness under `g`
// says: a lifted key among the loudness notes counts with its lift (as
// lifted() gives it).
double loudnessLift(const LoudnessKeys& keys, double g) {
    if (!keys.known)
        return 0;
    const auto lift = [g](double peak) {
        return std::clamp(ProgramLevels::FloorDb - (peak + g), 0.0, MaxLiftDb);
    };
    const double most = std::max(0.0, std::min(lift(keys.lowest), MaxGainDb - g));
    double sum = 0;
    for (double peak : keys.peak)
        sum += std::min(lift(peak), most);
    return sum / double(keys.peak.size());
}
} // namespace

ProgramLevels::KeyPeaks ProgramLevels::unplayedKeys() {
    KeyPeaks peaks;
    peaks.fill(NAN);
    return peaks;
}

ProgramLevels ProgramLevels::fromMeasurements(const Table& table) {
    // Only programs that sounded: a SoundFont without one of them leaves it at the median.
    std::vector<std::size_t> sounding;
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (std::isfinite(table[i].loudness) && std::isfinite(table[i].medianPeak))
            sounding.push_back(i);
    }
    if (sounding.empty())
        return {};

    // The instruments share a loudness window 2 x LeewayDb wide; for its top
    // at `top`, each program's gain is the one nearest to putting its median
    // peak at the target that the window and the ceiling allow.
    struct Placing {
        double outside = 0; // how far programs held by the ceiling fall out of the window
        double squares = 0; // of how far the programs' medians stay from the target
        std::array<double, InstrumentCount> gainDb{};
    };
    // Every key of each program, played or taken from the keys beside it.
    std::array<std::vector<double>, InstrumentCount> keyPeaks;
    std::array<LoudnessKeys, InstrumentCount> loudnessPeaks;
    for (std::size_t i : sounding) {
        keyPeaks[i] = everyKey(table[i].keyPeaks);
        loudnessPeaks[i] = loudnessKeys(keyPeaks[i]);
    }
    const double width = 2 * LeewayDb;
    const auto place = [&](double top) {
        Placing p;
        for (std::size_t i : sounding) {
            const Measured& m = table[i];
            const double want = TargetMedianPeakDb - m.medianPeak;
            // A lifted loudness note makes the program louder the softer its
            // gain: a few rounds find the gain that holds with its own lift.
            double lift = 0, lowest = 0, highest = 0, g = want;
            for (int round = 0; round < 8; ++round) {
                lowest = top - width - (m.loudness + lift);
                highest = std::min({top - (m.loudness + lift), CeilingDb - m.maxPeak, MaxGainDb});
                g = std::clamp(want, std::min(lowest, highest), highest);
                const double next = loudnessLift(loudnessPeaks[i], g);
                if (std::abs(next - lift) < 1e-4)
                    break;
                lift = next;
            }
            if (lowest > highest)
                p.outside += lowest - highest;
            p.squares += (g - want) * (g - want);
            p.gainDb[i] = g;
        }
        return p;
    };
    // Out of the window first, then far from the target: one program far off
    // counts more than several a little off.
    const auto better = [](const Placing& a, const Placing& b) {
        constexpr double Same = 1e-9;
        if (std::abs(a.outside - b.outside) > Same)
            return a.outside < b.outside;
        return a.squares < b.squares - Same;
    };
    double lowestTop = INFINITY, highestTop = -INFINITY;
    for (std::size_t i : sounding) {
        const Measured& m = table[i];
        const double want = TargetMedianPeakDb - m.medianPeak;
        const double wanted = m.loudness + loudnessLift(loudnessPeaks[i], want) + want;
        lowestTop = std::min({lowestTop, wanted, m.loudness + CeilingDb - m.maxPeak});
        highestTop = std::max(highestTop, wanted + width);
    }
    Placing best = place(highestTop);
    for (double top = highestTop; top >= lowestTop; top -= 0.01) {
        Placing p = place(top);
        if (better(p, best))
            best = p;
    }

    ProgramLevels levels;
    levels.m_table = table;
    levels.m_measured = true;
    std::vector<double> gains;
    for (std::size_t i : sounding)
        gains.push_back(best.gainDb[i]);
    const double medianDb = median(gains);
    levels.m_gain.fill(linear(medianDb));
    for (std::size_t i = 0; i < table.size(); ++i) {
        const bool sounds = std::find(sounding.begin(), sounding.end(), i) != sounding.end();
        double g = sounds ? best.gainDb[i] : medianDb;
        if (sounds && !keyPeaks[i].empty()) {
            // The keys below the floor come up to it; the others go down as
            // far under a gain that much higher.
            const Lift lift = lifted(keyPeaks[i], g);
            for (std::size_t k = 0; k < lift.key.size(); ++k)
                levels.m_keyCutDb[i][k] = float(lift.most - std::min(lift.key[k], lift.most));
            g += lift.most;
        }
        levels.m_gain[Instruments[i].program] = linear(g);
    }
    return levels;
}

float ProgramLevels::keyCutDb(int program, int key) const {
    for (int i = 0; i < InstrumentCount; ++i) {
        if (Instruments[i].program == program)
            return m_keyCutDb[std::size_t(i)]
                             [std::size_t(std::clamp(key, LowestKey, HighestKey) - LowestKey)];
    }
    return 0.0f;
}
