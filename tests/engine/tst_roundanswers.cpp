// SPDX-License-Identifier: GPL-3.0-or-later
// Answers and points: clicks and MIDI notes, the penalty, landing on the pile,
// and a round in which all 200 notes are answered.
#include <QtTest>

#include "enginefakes.h"

namespace {
enum How { ByClick, ByMidi };

void answerRight(RoundRig& rig, How how) {
    if (how == ByClick)
        rig.clickRight();
    else
        rig.playMidi(rig.current().note);
}

void answerWrong(RoundRig& rig, How how) {
    if (how == ByClick)
        rig.clickWrong();
    else
        rig.playMidi(rig.current().note == 84 ? 83 : rig.current().note + 1);
}

// Ticks until slot `index` has landed; false if it does not within `limit` ticks.
bool tickUntilLanded(RoundRig& rig, int index, int limit = 3000) {
    for (int n = 0; n < limit && rig.host.timerRunning; ++n) {
        if (rig.round.m_slots[size_t(index)].state == NoteSlot::Finished)
            return true;
        rig.tick();
    }
    return rig.round.m_slots[size_t(index)].state == NoteSlot::Finished;
}
} // namespace

Q_DECLARE_METATYPE(How)

class TestRoundAnswers : public QObject {
    Q_OBJECT
private slots:
    void wrongAnswerAtZeroPointsCostsNothing_data();
    void wrongAnswerAtZeroPointsCostsNothing();
    void wrongThenRightCostsOnePointAndTheNoteCounts_data();
    void wrongThenRightCostsOnePointAndTheNoteCounts();
    void pointArrivesInTheTickTheNoteLands();
    void notesStillFallingAtTheEndAreNotCounted();
    void clicksInThePauseOnlySound_data();
    void clicksInThePauseOnlySound();
    void clicksOutsideTheKeyboard();
    void repeatToneOnlyWhileANoteIsOnTheLine();
    void buttonUpClearsTheVerdict();
    void allTwoHundredAnsweredEndsWhenTheLastLands();
    void pointsToComeCountTheNotesStillFalling();
};

void TestRoundAnswers::wrongAnswerAtZeroPointsCostsNothing_data() {
    QTest::addColumn<How>("how");
    QTest::newRow("click") << ByClick;
    QTest::newRow("MIDI") << ByMidi;
}

void TestRoundAnswers::wrongAnswerAtZeroPointsCostsNothing() {
    QFETCH(How, how);
    RoundRig rig;
    rig.round.startTraining();
    answerWrong(rig, how);
    answerWrong(rig, how);
    QCOMPARE(int(rig.round.m_points), 0);
    QCOMPARE(rig.current().result, -1);
}

void TestRoundAnswers::wrongThenRightCostsOnePointAndTheNoteCounts_data() {
    QTest::addColumn<How>("wrong");
    QTest::addColumn<How>("right");
    QTest::newRow("click, click") << ByClick << ByClick;
    QTest::newRow("click, MIDI") << ByClick << ByMidi;
    QTest::newRow("MIDI, click") << ByMidi << ByClick;
    QTest::newRow("MIDI, MIDI") << ByMidi << ByMidi;
}

void TestRoundAnswers::wrongThenRightCostsOnePointAndTheNoteCounts() {
    QFETCH(How, wrong);
    QFETCH(How, right);
    RoundRig rig;
    rig.round.startTraining();
    answerRight(rig, ByMidi);
    answerRight(rig, ByMidi);
    QVERIFY(tickUntilLanded(rig, 0));
    QVERIFY(tickUntilLanded(rig, 1));
    QCOMPARE(int(rig.round.m_points), 2);

    rig.round.m_pileChanged = false;
    answerWrong(rig, wrong);
    QCOMPARE(int(rig.round.m_points), 1);
    QVERIFY(rig.round.m_pileChanged);
    const int corrected = rig.round.m_slotIndex;
    answerRight(rig, right);
    QCOMPARE(rig.round.m_slots[size_t(corrected)].result, 1);
    QCOMPARE(rig.round.m_slotIndex, corrected + 1);
    QCOMPARE(int(rig.round.m_points), 1); // the point comes with the landing
    QVERIFY(tickUntilLanded(rig, corrected));
    QCOMPARE(int(rig.round.m_points), 2);
    QVERIFY(rig.host.timerRunning);
}

void TestRoundAnswers::pointArrivesInTheTickTheNoteLands() {
    RoundRig rig;
    rig.round.startTraining();
    answerRight(rig, ByClick);
    NoteSlot& slot = rig.round.m_slots[0];
    const float target = float(rig.round.m_pile.y(0) + 100);
    int ticks = 0;
    while (slot.state != NoteSlot::Finished && ticks < 3000) {
        QCOMPARE(int(rig.round.m_points), 0);
        rig.round.m_pileChanged = false;
        rig.tick();
        ++ticks;
    }
    QCOMPARE(int(rig.round.m_points), 1);
    QVERIFY(rig.round.m_pileChanged);
    QVERIFY(slot.y >= target);
    QVERIFY(slot.y - slot.fallSpeed < target); // it landed in this very tick
    QCOMPARE(slot.drawY, int16_t(slot.y));
    for (int i = 0; i < 20; ++i)
        rig.tick();
    QCOMPARE(int(rig.round.m_points), 1); // a landed note counts once
}

void TestRoundAnswers::notesStillFallingAtTheEndAreNotCounted() {
    RoundRig rig;
    rig.round.startTraining();
    for (int i = 0; i < 1664; ++i)
        rig.tick();
    QCOMPARE(rig.current().x, 81.0f);
    // Late in a round the entry has crept close to the line's end.
    rig.round.m_entryX = 82;
    answerRight(rig, ByMidi);
    QCOMPARE(rig.current().x, 81.5f);
    rig.runUntilOver();
    QVERIFY(rig.round.m_roundOver);
    QCOMPARE(rig.round.m_slots[0].state, uint16_t(NoteSlot::OffLine)); // still falling
    QCOMPARE(rig.round.m_slots[0].result, 1);
    QCOMPARE(int(rig.round.m_points), 0);
}

void TestRoundAnswers::clicksInThePauseOnlySound_data() {
    QTest::addColumn<int>("which"); // 0: the answered note's cell, 1: the next note's, 2: other
    QTest::newRow("answered note again") << 0;
    QTest::newRow("next note") << 1;
    QTest::newRow("another cell") << 2;
}

void TestRoundAnswers::clicksInThePauseOnlySound() {
    QFETCH(int, which);
    RoundRig rig;
    rig.round.startTraining();
    const int answeredCell = rig.compass.slotCell(rig.current());
    answerRight(rig, ByClick);
    // The note the pause will bring is known ahead: the draw is seeded by the clock.
    const uint32_t due = rig.clock.t + 600;
    NoteSlot coming;
    CrtRandom random;
    TrainingRound::drawPitch(random, due, rig.compass, coming);
    QVERIFY(coming.note != rig.round.m_slots[0].note);
    const int cell = which == 0 ? answeredCell : which == 1 ? rig.compass.slotCell(coming) : 27;

    const size_t before = rig.sink.messages.size();
    rig.clickCell(cell);
    QCOMPARE(rig.sink.messages.size(), before + 2);
    QCOMPARE(rig.sink.messages[before], RecordingSink::SilenceMsg);
    QCOMPARE(rig.sink.messages[before + 1], RecordingSink::noteOn(rig.compass.cellToNote(cell)));
    QCOMPARE(rig.round.m_slotIndex, 1);
    QCOMPARE(rig.round.m_slots[0].result, 1);
    QVERIFY(!rig.round.m_replayPending);

    rig.clock.set(due);
    rig.round.onTimer(TrainingRound::RoundTimer);
    QCOMPARE(rig.current().note, coming.note);
    QCOMPARE(rig.current().state, uint16_t(NoteSlot::OnLine));
    QCOMPARE(rig.current().result, 0); // the click before it answered nothing
    QCOMPARE(rig.round.m_slotIndex, 1);
}

void TestRoundAnswers::clicksOutsideTheKeyboard() {
    RoundRig rig;
    rig.round.startTraining();
    size_t before = rig.sink.messages.size();
    rig.round.onLowerStaffClick(300, 228); // on the band's edge: nothing at all
    QCOMPARE(rig.sink.messages.size(), before);

    rig.round.onLowerStaffClick(6, 300); // cell -1: silence, nothing judged
    QCOMPARE(rig.sink.messages.size(), before + 1);
    QCOMPARE(rig.sink.messages.back(), RecordingSink::SilenceMsg);
    QCOMPARE(rig.round.m_clickCell, -1);
    rig.round.onLowerStaffClick(906, 300); // cell 29
    QCOMPARE(rig.round.m_clickCell, 29);
    QCOMPARE(rig.sink.messages.size(), before + 2);
    QCOMPARE(rig.current().result, 0);
    QCOMPARE(rig.round.m_clickVerdict, 0);

    RoundRig idle; // outside a round a click only plays its cell
    idle.clickCell(0);
    QCOMPARE(idle.sink.messages.back(), RecordingSink::noteOn(36));
    QCOMPARE(idle.round.m_clickVerdict, 0);
}

void TestRoundAnswers::repeatToneOnlyWhileANoteIsOnTheLine() {
    RoundRig rig;
    rig.round.repeatTone(); // before any round: slot 0 is free
    QVERIFY(rig.sink.messages.empty());

    rig.round.startTraining();
    const int note = rig.current().note;
    size_t before = rig.sink.messages.size();
    rig.round.repeatTone();
    QCOMPARE(rig.sink.messages.size(), before + 1); // no silence first
    QCOMPARE(rig.sink.messages.back(), RecordingSink::noteOn(note));

    answerRight(rig, ByClick);
    before = rig.sink.messages.size();
    rig.round.repeatTone(); // the pause: slot 1 still holds an old pitch
    QCOMPARE(rig.sink.messages.size(), before);
}

void TestRoundAnswers::buttonUpClearsTheVerdict() {
    RoundRig rig;
    rig.round.startTraining();
    answerWrong(rig, ByClick);
    QCOMPARE(rig.round.m_clickVerdict, -1);
    const int repaints = rig.host.repaints;
    rig.round.onButtonUp();
    QCOMPARE(rig.round.m_clickVerdict, 0);
    QCOMPARE(rig.host.repaints, repaints);
}

void TestRoundAnswers::allTwoHundredAnsweredEndsWhenTheLastLands() {
    RoundRig rig;
    rig.compass.setAccidentals(1);
    rig.compass.setStartOctave(0);
    rig.compass.setOctaves(4);
    rig.round.startTraining();
    for (int i = 0; i < SlotCount; ++i) {
        QVERIFY(rig.round.m_running);
        answerRight(rig, ByMidi);
    }
    QCOMPARE(rig.round.m_slotIndex, SlotCount);
    QVERIFY(!rig.round.m_running);
    QVERIFY(rig.round.currentSlot() == nullptr);
    QVERIFY(!rig.round.noteOnLine());
    QCOMPARE(rig.sink.messages.back(), RecordingSink::SilenceMsg); // and no note after it

    // Nothing more is judged, and nothing reads past the last slot.
    size_t before = rig.sink.messages.size();
    rig.playMidi(60);
    rig.round.repeatTone();
    QCOMPARE(rig.sink.messages.size(), before);
    rig.clickCell(5);
    QCOMPARE(rig.sink.messages.size(), before + 2); // the click only sounds
    QCOMPARE(rig.round.m_slotIndex, SlotCount);
    rig.clickCell(5);
    rig.round.onButtonUp();

    int ticks = 0;
    while (rig.host.timerRunning && ticks < 5000) {
        QCOMPARE(rig.round.m_slots[SlotCount - 1].state == NoteSlot::Finished, false);
        rig.tick();
        ++ticks;
    }
    QVERIFY(rig.round.m_roundOver);
    QCOMPARE(rig.round.m_slots[SlotCount - 1].state, uint16_t(NoteSlot::Finished));
    int landed = 0;
    for (const NoteSlot& s : rig.round.m_slots) {
        QCOMPARE(s.result, 1);
        landed += s.state == NoteSlot::Finished;
    }
    QCOMPARE(int(rig.round.m_points), landed);

    // Notes of the second hundred land on place i mod 100.
    for (int i : {100, 150, 199}) {
        const NoteSlot& s = rig.round.m_slots[size_t(i)];
        if (s.state != NoteSlot::Finished)
            continue;
        const float target = float(rig.round.m_pile.pileY[i % 100] + 100);
        QVERIFY(s.y >= target && s.y - s.fallSpeed < target);
        QVERIFY(s.x >= float(rig.round.m_pile.pileX[i % 100]) - 1.0f);
    }
}

// What a screen reader is told after an answer: the points once the notes
// answered right have landed, a wrong answer's penalty already taken.
void TestRoundAnswers::pointsToComeCountTheNotesStillFalling() {
    RoundRig rig;
    rig.round.startTraining();
    rig.tick();
    rig.clickRight();
    QCOMPARE(rig.round.m_points, 0);
    QCOMPARE(rig.round.pointsToCome(), 1u);
    for (int t = 0; t < 60; ++t)
        rig.tick();
    rig.playMidi(rig.current().note);
    QCOMPARE(rig.round.pointsToCome(), 2u);
    QVERIFY(tickUntilLanded(rig, 1));
    QCOMPARE(rig.round.m_points, 2);
    QCOMPARE(rig.round.pointsToCome(), 2u);
    for (int t = 0; t < 60; ++t)
        rig.tick();
    rig.clickWrong();
    QCOMPARE(rig.round.pointsToCome(), 1u);
}

QTEST_APPLESS_MAIN(TestRoundAnswers)
#include "tst_roundanswers.moc"
