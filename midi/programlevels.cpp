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
                                     const std::atomic<bool>* cancel, std::mutex* fluidLock) {
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
    for (int i = 0; i < InstrumentCount; ++i) {
        std::vector<double> peaks;
        double loudnessSum = 0;
        int loudnessCount = 0;
        for (int note : Notes) {
            if (cancelled())
                return {};
            double loudness = 0, peak = 0;
            {
                auto held = step(fluidLock);
                synth->play(Instruments[i].program, note, frames, loudness, peak);
            }
            peaks.push_back(peak);
            if (std::find(std::begin(LoudnessNotes), std::end(LoudnessNotes), note) !=
                std::end(LoudnessNotes)) {
                loudnessSum += loudness;
                ++loudnessCount;
            }
        }
        table[std::size_t(i)].loudness = loudnessSum / loudnessCount;
        table[std::size_t(i)].medianPeak = median(peaks);
        table[std::size_t(i)].minPeak = *std::min_element(peaks.begin(), peaks.end());
        table[std::size_t(i)].maxPeak = *std::max_element(peaks.begin(), peaks.end());
    }
    ProgramLevels levels = fromMeasurements(table);
    levels.m_measuringMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return levels;
}

ProgramLevels ProgramLevels::fromMeasurements(const Table& table) {
    // Only programs that sounded: a SoundFont without one of them leaves it at the median.
    std::vector<double> crests; // median peak over loudness, each program
    for (const Measured& m : table) {
        if (std::isfinite(m.loudness) && std::isfinite(m.medianPeak))
            crests.push_back(m.medianPeak - m.loudness);
    }
    if (crests.empty())
        return {};
    // The common loudness that puts the typical program's median peak at the
    // target, lowered until every program's loudest note can keep below the
    // ceiling without leaving the leeway.
    double targetLoudness = TargetMedianPeakDb - median(crests);
    for (const Measured& m : table) {
        if (std::isfinite(m.loudness) && std::isfinite(m.maxPeak))
            targetLoudness = std::min(targetLoudness, CeilingDb - (m.maxPeak - m.loudness) + LeewayDb);
    }

    ProgramLevels levels;
    levels.m_table = table;
    levels.m_measured = true;
    std::array<double, InstrumentCount> gainDb{};
    std::vector<double> sounding;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Measured& m = table[i];
        if (!std::isfinite(m.loudness) || !std::isfinite(m.medianPeak)) {
            gainDb[i] = NAN;
            continue;
        }
        const double equalLoudness = targetLoudness - m.loudness;
        const double towardsPeak = TargetMedianPeakDb - m.medianPeak;
        const double wanted = std::max(towardsPeak, FloorDb - m.minPeak);
        double g = std::clamp(wanted, equalLoudness - LeewayDb, equalLoudness + LeewayDb);
        g = std::min({g, CeilingDb - m.maxPeak, MaxGainDb});
        gainDb[i] = g;
        sounding.push_back(g);
    }
    const double medianDb = median(sounding);
    levels.m_gain.fill(linear(medianDb));
    for (int i = 0; i < InstrumentCount; ++i) {
        const double g = std::isfinite(gainDb[std::size_t(i)]) ? gainDb[std::size_t(i)] : medianDb;
        levels.m_gain[Instruments[i].program] = linear(g);
    }
    return levels;
}
