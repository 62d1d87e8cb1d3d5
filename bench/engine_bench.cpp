// SPDX-License-Identifier: GPL-3.0-or-later
// The round's hot path: one tick of timer 0 with every slot busy, and one note
// draw. A 10 ms frame must never wait for them.
#include <benchmark/benchmark.h>

#include "compass.h"
#include "msclock.h"
#include "noteinput.h"
#include "notesink.h"
#include "roundhost.h"
#include "traininground.h"

namespace {

// Moves on by `step` ms at every reading, as a clock read between ticks does.
class SteppingClock final : public MsClock {
public:
    explicit SteppingClock(uint32_t step) : m_step(step) {}
    uint32_t now() override { return m_t += m_step; }

private:
    uint32_t m_t = 1000;
    uint32_t m_step;
};

class QuietSink final : public NoteSink {
public:
    void PlayNote(int note, int velocity) override { benchmark::DoNotOptimize(note + velocity); }
    void Silence() override {}
};

class NoInput final : public NoteInput {
public:
    bool inputOpen() const override { return false; }
    void inputReset() override {}
    void inputStart() override {}
    void inputStop() override {}
    void clearMailbox() override {}
    int takeNote() override { return NoNote; }
};

class IdleHost final : public RoundHost {
public:
    void startRoundTimer() override {}
    void stopRoundTimer() override {}
    void focusNewTraining() override {}
    void requestRepaint() override {}
    void setRoundControls(bool) override {}
};

struct Bench {
    Compass compass;
    QuietSink sink;
    NoInput input;
    IdleHost host;
    SteppingClock clock;
    TrainingRound round{compass, sink, input, clock, host};
    explicit Bench(uint32_t step) : clock(step) {
        compass.setAccidentals(1);
        compass.setStartOctave(0);
        compass.setOctaves(4);
        round.resetForStartUp();
        round.startTraining();
    }
};

// All 200 notes on the line, still far from its end.
void fillOnLine(TrainingRound& round) {
    for (int i = 0; i < SlotCount; ++i) {
        NoteSlot& s = round.m_slots[size_t(i)];
        s.state = NoteSlot::OnLine;
        s.result = i % 3 == 0 ? -1 : 0;
        s.x = 913.0f - float(i);
        s.y = 74.0f + float(i % 29) * 5;
    }
    round.m_slotIndex = 0;
}

// All 200 notes answered right and falling from high above, so none lands
// during a batch.
void fillFalling(TrainingRound& round) {
    for (int i = 0; i < SlotCount; ++i) {
        NoteSlot& s = round.m_slots[size_t(i)];
        s.state = NoteSlot::OffLine;
        s.result = 1;
        s.x = 600.0f;
        s.y = -20000.0f;
        s.fallSpeed = 0.0f;
    }
    round.m_slotIndex = SlotCount;
}

template <void (*Fill)(TrainingRound&)> void BM_Tick(benchmark::State& state) {
    Bench b(10);
    constexpr int Batch = 250; // ticks before the slots are set up again
    Fill(b.round);
    int n = 0;
    for (auto _ : state) {
        if (++n == Batch) {
            state.PauseTiming();
            Fill(b.round);
            n = 0;
            state.ResumeTiming();
        }
        b.round.onTimer(TrainingRound::RoundTimer);
    }
    benchmark::DoNotOptimize(b.round.m_slots);
}

void BM_ChooseNextNote(benchmark::State& state) {
    Bench b(1); // the clock moves on between draws, as it does between notes
    b.round.m_slotIndex = 5;
    for (auto _ : state) {
        b.round.chooseNextNote();
        benchmark::DoNotOptimize(b.round.m_slots[5].note);
    }
}

} // namespace

BENCHMARK(BM_Tick<fillOnLine>)->Name("Tick/200OnLine")->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(BM_Tick<fillFalling>)
    ->Name("Tick/200Falling")
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ChooseNextNote)->Repetitions(10)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
