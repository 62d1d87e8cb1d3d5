// SPDX-License-Identifier: GPL-3.0-or-later
#include "traininground.h"

#include "anyoctave.h"
#include "msclock.h"
#include "noteinput.h"
#include "notesink.h"
#include "pitch.h"
#include "roundarchive.h"
#include "roundhost.h"

namespace {

constexpr int FullVelocity = 127;
constexpr int ReferenceC = 60;

int16_t truncated(float v) {
    return static_cast<int16_t>(v); // toward zero, as the view draws it
}

bool onLine(const NoteSlot& slot) {
    return slot.state == NoteSlot::OnLine || slot.state == NoteSlot::ClickedRight;
}

} // namespace

TrainingRound::TrainingRound(Compass& compass, NoteSink& sink, NoteInput& input, MsClock& clock,
                             RoundHost& host)
    : m_compass(compass), m_sink(sink), m_input(input), m_clock(clock), m_host(host) {
    m_pile.convert();
}

void TrainingRound::resetForStartUp() {
    m_slotIndex = 0;
    m_running = false;
    m_roundOver = false;
    m_practice = false;
    m_pileChanged = false;
    m_nextPending = false;
    m_entryX = EntryStartX;
    m_clickVerdict = 0;
    m_pile.convert();
}

NoteSlot* TrainingRound::currentSlot() {
    // After the 200th answer the index stands past the last slot: no current note.
    if (m_slotIndex < 0 || m_slotIndex >= SlotCount)
        return nullptr;
    return &m_slots[m_slotIndex];
}

const NoteSlot* TrainingRound::currentSlot() const {
    if (m_slotIndex < 0 || m_slotIndex >= SlotCount)
        return nullptr;
    return &m_slots[m_slotIndex];
}

bool TrainingRound::noteOnLine() const {
    const NoteSlot* slot = currentSlot();
    return slot && onLine(*slot);
}

void TrainingRound::startTraining() {
    m_entryShiftTime = m_clock.now();
    m_speed = 0.5f;
    m_entryX = EntryStartX;
    m_points = 0;
    m_pileChanged = true;
    m_running = true;
    m_nextPending = false;
    // A replay left over from a cancelled round would sound the new round's
    // first note a second time.
    m_replayPending = false;

    m_recorder.begin(m_compass, m_practice);
    if (m_archive)
        m_archive->describePlayer(m_recorder.record());

    m_host.setRoundControls(true);
    if (m_input.inputOpen()) {
        m_input.inputReset();
        m_input.clearMailbox();
        m_input.inputStart();
    }
    m_host.startRoundTimer();

    for (NoteSlot& slot : m_slots) {
        slot.result = 0;
        slot.state = NoteSlot::Free;
    }
    m_slotIndex = 0;
    chooseNextNote();
}

void TrainingRound::drawPitch(CrtRandom& random, uint32_t seed, const Compass& compass,
                              NoteSlot& slot) {
    random.seed(seed);
    // The draws come in exactly this order; the same seed gives the same note.
    const int step = random.next() % 7;
    const int octaves = compass.m_octaves > 0 ? compass.m_octaves : 1; // never divide by zero
    int octave = random.next() % octaves + compass.m_startOctave;
    int accidental = 0;
    if (compass.m_accidentals) {
        if (step == 6)
            accidental = random.next() % 2 - 1; // H or B, never A sharp
        else if (step != 2 && step != 5)
            accidental = random.next() % 2; // E and A carry no sign
    }
    // Half of the C's become the C an octave up, so the closing C can be asked.
    if (step == 0 && accidental == 0 && random.next() % 2 == 1)
        octave += 1;

    slot.step = static_cast<uint16_t>(step);
    slot.octave = static_cast<uint16_t>(octave);
    slot.accidental = accidental;
    slot.note = static_cast<uint8_t>(noteOf(octave, step, accidental));
}

void TrainingRound::chooseNextNote() {
    m_sink.Silence();
    NoteSlot* slot = currentSlot();
    if (!slot) {
        m_running = false; // all 200 answered: the round ends when the last one lands
        return;
    }
    slot->state = NoteSlot::OnLine;
    const int previous = m_slotIndex > 0 ? m_slots[m_slotIndex - 1].note : -1;
    uint32_t seed = m_clock.now();
    for (;;) {
        drawPitch(m_random, seed, m_compass, *slot);
        if (slot->note != previous)
            break;
        // The same seed brings the same pitch back: wait for the clock to move
        // on instead of sending silence after silence meanwhile.
        uint32_t later = m_clock.now();
        while (later == seed)
            later = m_clock.now();
        seed = later;
    }
    slot->x = m_entryX;
    slot->y = static_cast<float>(StaffY + 5 * (29 - 7 * slot->octave - slot->step));
    slot->fallSpeed = 0.0f;
    m_sink.PlayNote(slot->note, FullVelocity);
    m_recorder.noteAsked(m_slotIndex, slot->note, m_clock.now());
}

void TrainingRound::penalty() {
    if (m_points > 0) {
        m_points -= 1;
        m_pileChanged = true;
    }
}

void TrainingRound::takeMidiAnswer() {
    const int heard = m_input.takeNote(); // empties the mailbox in any case
    if (heard == NoteInput::NoNote)
        return;
    // A note left over in the mailbox after a cancel must not draw a new note
    // into the frozen round.
    if (!m_running || !noteOnLine())
        return;
    NoteSlot& slot = m_slots[m_slotIndex];
    const TakenAnswer how = m_input.takenAnswer();
    const int note = countedAnswer(heard, slot.note, how.anyOctave);
    m_recorder.answered(static_cast<uint8_t>(note), how.way, note == slot.note, m_clock.now(),
                        how.cents);
    if (note == slot.note) {
        slot.result = 1;
        m_slotIndex += 1;
        chooseNextNote();
    } else {
        slot.result = -1;
        m_sink.PlayNote(slot.note, FullVelocity); // the right note as the correction
        penalty();
    }
    m_host.answerJudged(note == slot.note);
}

void TrainingRound::onTimer(int id) {
    takeMidiAnswer();
    if (id == FreeNoteTimer) {
        if (m_freeNoteOn &&
            elapsedMoreThan(m_clock.now(), static_cast<uint32_t>(m_freeNoteTime), FreeNoteMs)) {
            m_sink.Silence();
            m_freeNoteOn = false;
        }
        return;
    }
    if (id != RoundTimer)
        return;
    tick();
}

void TrainingRound::endRound() {
    m_host.stopRoundTimer();
    m_roundOver = true;
    m_host.focusNewTraining();
}

void TrainingRound::tick() {
    const uint32_t now = m_clock.now();
    const uint32_t answerTime = static_cast<uint32_t>(m_answerTime);

    if (m_replayPending && elapsedMoreThan(now, answerTime, AnswerPauseMs)) {
        if (const NoteSlot* slot = currentSlot())
            m_sink.PlayNote(slot->note, FullVelocity);
        m_replayPending = false;
    }
    if (m_nextPending && elapsedMoreThan(now, answerTime, AnswerPauseMs)) {
        chooseNextNote();
        m_nextPending = false;
    }
    if (elapsedMoreThan(now, m_entryShiftTime, EntryShiftMs)) {
        if (m_entryX > 0) // never wraps to the far right
            m_entryX -= 1;
        m_entryShiftTime = now;
    }

    for (int i = 0; i < SlotCount; ++i) {
        NoteSlot& slot = m_slots[i];
        if (onLine(slot)) {
            slot.x -= slot.result == 1 ? 2 * m_speed : m_speed;
            if (slot.x < LineEndX)
                slot.state = NoteSlot::OffLine;
        }
        if (slot.state == NoteSlot::OffLine) {
            // Place i mod 100: the second hundred notes land on the first hundred's places.
            const float targetX = static_cast<float>(m_pile.x(i));
            const float targetY = static_cast<float>(m_pile.y(i) + 100);
            if (slot.result == 0)
                slot.result = -1;
            if (slot.result == -1) {
                endRound();
            } else if (slot.result == 1) {
                if (slot.x > targetX)
                    slot.x -= 2 * m_speed;
                if (slot.y < targetY) {
                    slot.fallSpeed += Gravity;
                    slot.y += slot.fallSpeed;
                }
            }
            if (slot.y >= targetY) {
                slot.state = NoteSlot::Finished;
                if (slot.result == 1) {
                    m_points += 1;
                    m_pileChanged = true;
                }
            }
            if (i == SlotCount - 1 && slot.state == NoteSlot::Finished)
                endRound();
        }
        slot.drawX = truncated(slot.x);
        slot.drawY = truncated(slot.y);
    }
    m_host.requestRepaint();
}

void TrainingRound::onLowerStaffClick(int viewX, int viewY) {
    const int cell = m_compass.cellAtPointer(viewX, viewY);
    if (cell == Compass::NoCell)
        return;
    answerCell(cell, AnswerWay::Click);
}

void TrainingRound::answerCell(int cell, AnswerWay way) {
    m_sink.Silence();
    m_clickCell = cell;
    if (cell < 0 || cell >= m_compass.m_cellCount)
        return;
    m_sink.PlayNote(m_compass.cellToNote(cell), FullVelocity);
    if (!m_running || !noteOnLine())
        return; // outside a round, or in the pause after a right click: it only sounds

    NoteSlot& slot = m_slots[m_slotIndex];
    const bool right = cell == m_compass.slotCell(slot);
    m_recorder.answered(static_cast<uint8_t>(m_compass.cellToNote(cell)), way, right,
                        m_clock.now());
    if (right) {
        m_clickVerdict = 1;
        slot.state = NoteSlot::ClickedRight;
        slot.result = 1;
        m_slotIndex += 1;
        m_nextPending = true;
        m_replayPending = false;
        m_answerTime = m_clock.now();
    } else {
        m_clickVerdict = -1;
        m_replayPending = true;
        m_answerTime = m_clock.now();
        slot.result = -1;
        penalty();
    }
    m_host.answerJudged(right);
}

void TrainingRound::onButtonUp() {
    m_clickVerdict = 0;
}

void TrainingRound::cancelTraining() {
    m_host.stopRoundTimer();
    m_sink.Silence();
    m_running = false;
    m_host.setRoundControls(false);
    m_host.focusNewTraining();
    if (m_input.inputOpen())
        m_input.inputStop();
    handOverRecord(RoundRecord::Ending::Cancelled);
}

void TrainingRound::repeatTone() {
    // Only a note on the line can be repeated: in the pause after a right
    // click the current slot still holds an old pitch.
    if (noteOnLine())
        m_sink.PlayNote(m_slots[m_slotIndex].note, FullVelocity);
}

void TrainingRound::playReferenceC() {
    m_sink.PlayNote(ReferenceC, FullVelocity);
    startFreeNote();
}

void TrainingRound::togglePractice() {
    m_practice = !m_practice;
}

void TrainingRound::startFreeNote() {
    m_freeNoteTime = m_clock.now();
    m_freeNoteOn = true;
}

void TrainingRound::finishRound() {
    m_roundOver = false;
    m_running = false;
    m_host.setRoundControls(false);
    m_sink.Silence();
    if (m_input.inputOpen())
        m_input.inputStop();
    m_host.focusNewTraining();
    handOverRecord(RoundRecord::Ending::Ended);
}

void TrainingRound::keepRoundAtProgramEnd() {
    handOverRecord(m_roundOver ? RoundRecord::Ending::Ended : RoundRecord::Ending::Cancelled);
}

void TrainingRound::handOverRecord(RoundRecord::Ending ending) {
    // Once per round: a round cancelled after its end, before its finish, is not kept twice.
    if (!m_recorder.active())
        return;
    RoundRecord record = m_recorder.finish(ending);
    if (m_archive)
        m_archive->keepRound(std::move(record));
}

unsigned TrainingRound::pointsToCome() const {
    unsigned points = m_points;
    for (const NoteSlot& slot : m_slots)
        if (slot.result == 1 && slot.state != NoteSlot::Free && slot.state != NoteSlot::Finished)
            ++points;
    return points;
}
