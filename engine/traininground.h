// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstdint>

#include "compass.h"
#include "crtrandom.h"
#include "noteslot.h"
#include "piletable.h"
#include "roundrecorder.h"

class MsClock;
class NoteSink;
class NoteInput;
class RoundHost;
class RoundArchive;

// The game itself: notes drawn, sliding, answered by click or MIDI, falling
// onto the pile, until a note leaves the line unanswered. Driven by the
// window's timers; knows nothing of windows or devices.
class TrainingRound {
public:
    static constexpr int RoundTimer = 0;     // 10 ms while a round runs
    static constexpr int FreeNoteTimer = 10; // 1000 ms, whole run
    static constexpr uint16_t EntryStartX = 913;
    static constexpr float LineEndX = 80.0f;
    static constexpr int StaffY = 69;              // top of the upper staff picture in the view
    static constexpr uint32_t EntryShiftMs = 120;  // the entry creeps left after more than this
    static constexpr uint32_t AnswerPauseMs = 500; // next note / replay after a click
    static constexpr uint32_t FreeNoteMs = 2000;   // a free-standing note is cut after this
    static constexpr float Gravity = 0.4f;         // px per tick per tick onto the pile

    // Draw a pitch into `slot` (step, octave, accidental, note) from a freshly
    // seeded generator, exactly as a round draws it; nothing else of the slot changes.
    static void drawPitch(CrtRandom& random, uint32_t seed, const Compass& compass, NoteSlot& slot);

    TrainingRound(Compass& compass, NoteSink& sink, NoteInput& input, MsClock& clock,
                  RoundHost& host);

    // Round members (positions and states are read by the view).
    std::array<NoteSlot, SlotCount> m_slots{};
    int32_t m_slotIndex = 0;
    bool m_running = false;
    bool m_roundOver = false;
    uint16_t m_points = 0;
    bool m_pileChanged = false;
    float m_speed = 0.5f;
    uint16_t m_entryX = EntryStartX;
    uint32_t m_entryShiftTime = 0;
    bool m_nextPending = false;
    bool m_replayPending = false;
    uint64_t m_answerTime = 0;
    int32_t m_clickVerdict = 0;
    int32_t m_clickCell = 0;
    bool m_practice = false;
    bool m_freeNoteOn = false;
    uint64_t m_freeNoteTime = 0;
    PileTable m_pile;
    RoundRecorder m_recorder; // the answers of the running round, for the mistake map

    // Where each round's record goes when it ends or is cancelled; none: it is dropped.
    void setArchive(RoundArchive* archive) { m_archive = archive; }

    void resetForStartUp(); // start-up values of the round members; converts the pile table
    void startTraining();
    void chooseNextNote();
    void onTimer(int id);
    void onLowerStaffClick(int viewX, int viewY); // point relative to the view
    // A cell of the lower staff named by a click or by the computer keyboard:
    // sounds it and, while a note is on the line, judges it the same way.
    void answerCell(int cell, AnswerWay way);
    void onButtonUp();
    void cancelTraining();
    void repeatTone();
    void playReferenceC();
    void togglePractice();
    void startFreeNote(); // a free-standing note began now (reference C', instrument preview)
    // Steps of the round's finish that belong to the round: controls back,
    // silence, input stopped, focus. The window then evaluates the result.
    void finishRound();
    // The program ends: a round still running is kept as a cancelled one,
    // with the answers it got; one already over but not yet finished, as
    // ended. Nothing sounds and nothing on the screen changes: the window goes.
    void keepRoundAtProgramEnd();

    // The current slot, or nullptr once all 200 notes are answered.
    NoteSlot* currentSlot();
    const NoteSlot* currentSlot() const;
    bool noteOnLine() const; // the current slot is on the line (state 1 or 2)
    // The points once every note answered right has landed: m_points and
    // the right notes still sliding or falling onto the pile.
    unsigned pointsToCome() const;

private:
    void takeMidiAnswer();
    void tick();
    void penalty();
    void endRound();
    void handOverRecord(RoundRecord::Ending ending);

    Compass& m_compass;
    NoteSink& m_sink;
    NoteInput& m_input;
    MsClock& m_clock;
    RoundHost& m_host;
    RoundArchive* m_archive = nullptr;
    CrtRandom m_random;
};
