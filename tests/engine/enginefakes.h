// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Stand-ins for the window, the MIDI devices and the clock, so a round can be
// driven tick by tick without a window or a sound card.
#include <cstdint>
#include <vector>

#include "compass.h"
#include "msclock.h"
#include "noteinput.h"
#include "notesink.h"
#include "roundhost.h"
#include "traininground.h"

// A clock the test sets. Like the real millisecond clock, it moves on by itself
// when read often enough (here every `readsPerMs` reads), so a handler that
// waits for the next millisecond finishes.
class FakeClock final : public MsClock {
public:
    uint32_t t = 0;
    int readsPerMs = 16;
    int reads = 0;
    long totalReads = 0;

    uint32_t now() override {
        ++totalReads;
        if (++reads > readsPerMs) {
            ++t;
            reads = 1;
        }
        return t;
    }
    void set(uint32_t value) {
        t = value;
        reads = 0;
    }
    void advance(uint32_t ms) { set(t + ms); }
};

// Every call of the round to the outside world, in order, as short words.
// The vector is reserved up front so that logging allocates nothing.
struct CallLog {
    std::vector<const char*> calls;
    CallLog() { calls.reserve(1 << 16); }
    void add(const char* what) {
        if (calls.size() < calls.capacity())
            calls.push_back(what);
    }
};

// The MIDI messages the round sent, packed as status | data1 << 8 | data2 << 16.
class RecordingSink final : public NoteSink {
public:
    static constexpr uint32_t SilenceMsg = 0xB0 | 0x78 << 8;
    static uint32_t noteOn(int note, int velocity = 127) {
        return 0x90u | uint32_t(note) << 8 | uint32_t(velocity) << 16;
    }

    std::vector<uint32_t> messages;
    CallLog* log = nullptr;
    RecordingSink() { messages.reserve(1 << 16); }

    void PlayNote(int note, int velocity) override {
        messages.push_back(noteOn(note, velocity));
        if (log)
            log->add("PlayNote");
    }
    void Silence() override {
        messages.push_back(SilenceMsg);
        if (log)
            log->add("Silence");
    }
    int silences() const {
        int n = 0;
        for (uint32_t m : messages)
            n += m == SilenceMsg;
        return n;
    }
    int lastNote() const {
        for (auto it = messages.rbegin(); it != messages.rend(); ++it)
            if ((*it & 0xff) == 0x90)
                return int(*it >> 8 & 0xff);
        return -1;
    }
};

// The MIDI input: a mailbox the test fills, and the device calls recorded.
class FakeInput final : public NoteInput {
public:
    bool open = true;
    int mailbox = NoNote;
    CallLog* log = nullptr;
    int stops = 0;

    bool inputOpen() const override { return open; }
    void inputReset() override { note("inputReset"); }
    void inputStart() override { note("inputStart"); }
    void inputStop() override {
        ++stops;
        note("inputStop");
    }
    void clearMailbox() override {
        mailbox = NoNote;
        note("clearMailbox");
    }
    int takeNote() override {
        const int n = mailbox;
        mailbox = NoNote;
        return n;
    }

private:
    void note(const char* what) {
        if (log)
            log->add(what);
    }
};

// The window as the round sees it.
class RecordingHost final : public RoundHost {
public:
    bool timerRunning = false;
    bool controlsRunning = false;
    int focusCalls = 0;
    int repaints = 0;
    CallLog* log = nullptr;

    void startRoundTimer() override {
        timerRunning = true;
        note("startRoundTimer");
    }
    void stopRoundTimer() override {
        timerRunning = false;
        note("stopRoundTimer");
    }
    void focusNewTraining() override {
        ++focusCalls;
        note("focus");
    }
    void requestRepaint() override { ++repaints; }
    void setRoundControls(bool running) override {
        controlsRunning = running;
        note(running ? "controls(true)" : "controls(false)");
    }

private:
    void note(const char* what) {
        if (log)
            log->add(what);
    }
};

// A round with all its stand-ins; the default compass is "C'", one octave, no accidentals.
struct RoundRig {
    FakeClock clock;
    RecordingSink sink;
    FakeInput input;
    RecordingHost host;
    Compass compass;
    CallLog log;
    TrainingRound round{compass, sink, input, clock, host};

    explicit RoundRig(uint32_t startTime = 100000) {
        clock.set(startTime);
        sink.log = &log;
        input.log = &log;
        host.log = &log;
        round.resetForStartUp();
    }

    // One 10 ms tick of timer 0, if it runs.
    void tick(uint32_t ms = 10) {
        clock.advance(ms);
        if (host.timerRunning)
            round.onTimer(TrainingRound::RoundTimer);
    }
    // Ticks until the round is over or `limit` ticks have passed; returns the ticks run.
    int runUntilOver(int limit = 100000) {
        int n = 0;
        while (host.timerRunning && n < limit) {
            tick();
            ++n;
        }
        return n;
    }
    NoteSlot& current() { return round.m_slots[round.m_slotIndex]; }
    // The lower-staff point (relative to the view) of a cell's middle.
    int cellX(int cell) const {
        return compass.m_scaleX + compass.m_cellOffset + cell * compass.m_cellWidth +
               compass.m_cellWidth / 2;
    }
    static constexpr int StaffRowY = 300;
    void clickCell(int cell) { round.onLowerStaffClick(cellX(cell), StaffRowY); }
    void clickRight() { clickCell(compass.slotCell(current())); }
    void clickWrong() {
        const int right = compass.slotCell(current());
        clickCell(right == 0 ? 1 : right - 1);
    }
    // A note-on from the instrument, judged at the next timer message.
    void playMidi(int note, int timerId = TrainingRound::RoundTimer) {
        input.mailbox = note;
        clock.advance(10);
        round.onTimer(timerId);
    }
};
