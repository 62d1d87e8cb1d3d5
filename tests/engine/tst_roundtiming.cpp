// SPDX-License-Identifier: GPL-3.0-or-later
// When things happen in a round: ticks, pauses, the creeping entry, the free note,
// and the order of the round's calls to the window and the devices.
#include <QtTest>

#include "enginefakes.h"

namespace {
QStringList calls(const CallLog& log, size_t from = 0) {
    QStringList out;
    for (size_t i = from; i < log.calls.size(); ++i)
        out << QString::fromLatin1(log.calls[i]);
    return out;
}
constexpr uint32_t NearWrap = 0xFFFFFF00u; // 256 ms before the clock wraps
} // namespace

class TestRoundTiming : public QObject {
    Q_OBJECT
private slots:
    void firstUnansweredNoteLeavesInTick1667();
    void entryMovesOnlyAfterMoreThan120ms_data();
    void entryMovesOnlyAfterMoreThan120ms();
    void entryStopsAtTheLeftEdge();
    void rightClickBringsNextNoteAfterMoreThan500ms_data();
    void rightClickBringsNextNoteAfterMoreThan500ms();
    void rightMidiNoteBringsNextNoteInTheSameTick();
    void wrongClickReplaysAfterMoreThan500msWithoutSilence_data();
    void wrongClickReplaysAfterMoreThan500msWithoutSilence();
    void wrongMidiNoteReplaysAtOnce();
    void midiAnswerIsTakenOnTheFreeNoteTimerToo();
    void freeNoteIsCutAfterMoreThan2000ms_data();
    void freeNoteIsCutAfterMoreThan2000ms();
    void startTrainingRunsItsStepsInOrder_data();
    void startTrainingRunsItsStepsInOrder();
    void finishRoundRunsItsStepsInOrder();
    void cancelDuringPauseThenNewRoundStartsCleanly();
    void cancelAfterWrongClickDoesNotReplayIntoNextRound();
    void strayMidiNoteAfterCancelJudgesNothing();
};

void TestRoundTiming::firstUnansweredNoteLeavesInTick1667() {
    RoundRig rig;
    rig.round.startTraining();
    QCOMPARE(rig.current().x, 913.0f);
    for (int i = 0; i < 1666; ++i)
        rig.tick();
    QCOMPARE(rig.current().x, 80.0f);
    QCOMPARE(rig.current().state, uint16_t(NoteSlot::OnLine));
    QVERIFY(!rig.round.m_roundOver);
    QVERIFY(rig.host.timerRunning);

    const int focusBefore = rig.host.focusCalls;
    rig.tick();
    QCOMPARE(rig.current().x, 79.5f);
    QCOMPARE(rig.current().drawX, int16_t(79));
    QCOMPARE(rig.current().state, uint16_t(NoteSlot::OffLine));
    QCOMPARE(rig.current().result, -1);
    QVERIFY(rig.round.m_roundOver);
    QVERIFY(rig.round.m_running); // until the window finishes the round
    QVERIFY(!rig.host.timerRunning);
    QCOMPARE(rig.host.focusCalls, focusBefore + 1);
}

void TestRoundTiming::entryMovesOnlyAfterMoreThan120ms_data() {
    QTest::addColumn<uint32_t>("start");
    QTest::newRow("ordinary") << 100000u;
    QTest::newRow("wrap inside the first wait") << 0xFFFFFFFFu - 60;
    QTest::newRow("wrap inside the second wait") << 0xFFFFFFFFu - 180;
    QTest::newRow("start at zero") << 0u;
}

void TestRoundTiming::entryMovesOnlyAfterMoreThan120ms() {
    QFETCH(uint32_t, start);
    RoundRig rig(start);
    rig.round.startTraining();
    QCOMPARE(rig.round.m_entryShiftTime, start);

    rig.clock.set(start + 120);
    rig.round.onTimer(TrainingRound::RoundTimer);
    QCOMPARE(int(rig.round.m_entryX), 913);
    rig.clock.set(start + 121);
    rig.round.onTimer(TrainingRound::RoundTimer);
    QCOMPARE(int(rig.round.m_entryX), 912);
    QCOMPARE(rig.round.m_entryShiftTime, start + 121);

    rig.clock.set(start + 241);
    rig.round.onTimer(TrainingRound::RoundTimer);
    QCOMPARE(int(rig.round.m_entryX), 912);
    rig.clock.set(start + 242);
    rig.round.onTimer(TrainingRound::RoundTimer);
    QCOMPARE(int(rig.round.m_entryX), 911);

    // A long stall moves the entry by one pixel only, not by the time lost.
    rig.clock.set(start + 5000);
    rig.round.onTimer(TrainingRound::RoundTimer);
    QCOMPARE(int(rig.round.m_entryX), 910);
}

void TestRoundTiming::entryStopsAtTheLeftEdge() {
    RoundRig rig;
    rig.round.startTraining();
    rig.round.m_entryX = 2; // a very long round
    for (int i = 0; i < 5; ++i)
        rig.tick(121);
    QCOMPARE(int(rig.round.m_entryX), 0); // never wraps round to the far right
}

void TestRoundTiming::rightClickBringsNextNoteAfterMoreThan500ms_data() {
    QTest::addColumn<uint32_t>("start");
    QTest::newRow("ordinary") << 100000u;
    QTest::newRow("pause across the wrap") << NearWrap;
}

void TestRoundTiming::rightClickBringsNextNoteAfterMoreThan500ms() {
    QFETCH(uint32_t, start);
    RoundRig rig(start);
    rig.round.startTraining();
    const int first = rig.current().note;
    rig.clock.set(start + 20);
    rig.clickRight();
    QCOMPARE(rig.round.m_slotIndex, 1);
    QCOMPARE(rig.round.m_clickVerdict, 1);
    QCOMPARE(rig.round.m_slots[0].state, uint16_t(NoteSlot::ClickedRight));
    QCOMPARE(rig.sink.lastNote(), first); // the clicked cell sounds at once

    const size_t before = rig.sink.messages.size();
    rig.clock.set(start + 520);
    rig.round.onTimer(TrainingRound::RoundTimer);
    QCOMPARE(rig.current().state, uint16_t(NoteSlot::Free));
    QCOMPARE(rig.sink.messages.size(), before);

    rig.clock.set(start + 521);
    rig.round.onTimer(TrainingRound::RoundTimer);
    QCOMPARE(rig.current().state, uint16_t(NoteSlot::OnLine));
    QVERIFY(!rig.round.m_nextPending);
    QCOMPARE(rig.sink.messages.size(), before + 2);
    QCOMPARE(rig.sink.messages[before], RecordingSink::SilenceMsg);
    QCOMPARE(rig.sink.messages[before + 1], RecordingSink::noteOn(rig.current().note));
    // The answered note slides on at double speed meanwhile.
    QCOMPARE(rig.round.m_slots[0].x, 913.0f - 2);
}

void TestRoundTiming::rightMidiNoteBringsNextNoteInTheSameTick() {
    RoundRig rig;
    rig.round.startTraining();
    NoteSlot& first = rig.round.m_slots[0];
    const size_t before = rig.sink.messages.size();
    rig.playMidi(first.note);
    QCOMPARE(first.result, 1);
    QCOMPARE(first.state, uint16_t(NoteSlot::OnLine)); // a MIDI answer leaves the state
    QCOMPARE(rig.round.m_slotIndex, 1);
    QCOMPARE(rig.current().state, uint16_t(NoteSlot::OnLine));
    QCOMPARE(rig.round.m_clickVerdict, 0);
    QCOMPARE(rig.sink.messages.size(), before + 2);
    QCOMPARE(rig.sink.messages[before + 1], RecordingSink::noteOn(rig.current().note));
    // Both notes moved in that tick: the answered one at double speed.
    QCOMPARE(first.x, 912.0f);
    QCOMPARE(rig.current().x, 912.5f);
}

void TestRoundTiming::wrongClickReplaysAfterMoreThan500msWithoutSilence_data() {
    QTest::addColumn<uint32_t>("start");
    QTest::newRow("ordinary") << 100000u;
    QTest::newRow("pause across the wrap") << NearWrap;
}

void TestRoundTiming::wrongClickReplaysAfterMoreThan500msWithoutSilence() {
    QFETCH(uint32_t, start);
    RoundRig rig(start);
    rig.round.startTraining();
    const int right = rig.current().note;
    rig.clock.set(start + 20);
    rig.clickWrong();
    QCOMPARE(rig.round.m_clickVerdict, -1);
    QCOMPARE(rig.current().result, -1);
    QCOMPARE(rig.current().state, uint16_t(NoteSlot::OnLine));
    const size_t afterClick = rig.sink.messages.size();
    QVERIFY(rig.sink.lastNote() != right);

    rig.clock.set(start + 520);
    rig.round.onTimer(TrainingRound::RoundTimer);
    QCOMPARE(rig.sink.messages.size(), afterClick);
    rig.clock.set(start + 521);
    rig.round.onTimer(TrainingRound::RoundTimer);
    QCOMPARE(rig.sink.messages.size(), afterClick + 1); // no silence before it
    QCOMPARE(rig.sink.messages.back(), RecordingSink::noteOn(right));
    QVERIFY(!rig.round.m_replayPending);
    rig.clock.set(start + 2000);
    rig.round.onTimer(TrainingRound::RoundTimer);
    QCOMPARE(rig.sink.messages.size(), afterClick + 1); // once only
}

void TestRoundTiming::wrongMidiNoteReplaysAtOnce() {
    RoundRig rig;
    rig.round.startTraining();
    const int right = rig.current().note;
    const size_t before = rig.sink.messages.size();
    rig.playMidi(right + 12); // the octave matters
    QCOMPARE(rig.current().result, -1);
    QCOMPARE(rig.round.m_slotIndex, 0);
    QCOMPARE(rig.sink.messages.size(), before + 1);
    QCOMPARE(rig.sink.messages.back(), RecordingSink::noteOn(right));
    QVERIFY(!rig.round.m_replayPending);
    QCOMPARE(rig.round.m_clickVerdict, 0);
}

void TestRoundTiming::midiAnswerIsTakenOnTheFreeNoteTimerToo() {
    RoundRig rig;
    rig.round.startTraining();
    const float x = rig.current().x;
    rig.playMidi(rig.current().note, TrainingRound::FreeNoteTimer);
    QCOMPARE(rig.round.m_slotIndex, 1);
    QCOMPARE(rig.round.m_slots[0].x, x); // timer 10 does not move the notes
    QCOMPARE(rig.input.mailbox, int(NoteInput::NoNote));
}

void TestRoundTiming::freeNoteIsCutAfterMoreThan2000ms_data() {
    QTest::addColumn<uint32_t>("start");
    QTest::newRow("ordinary") << 100000u;
    QTest::newRow("across the wrap") << 0xFFFFF800u;
}

void TestRoundTiming::freeNoteIsCutAfterMoreThan2000ms() {
    QFETCH(uint32_t, start);
    RoundRig rig(start);
    rig.round.playReferenceC();
    QCOMPARE(rig.sink.messages.back(), RecordingSink::noteOn(60));
    QVERIFY(rig.round.m_freeNoteOn);
    rig.clock.set(start + 2000);
    rig.round.onTimer(TrainingRound::FreeNoteTimer);
    QCOMPARE(rig.sink.silences(), 0);
    rig.clock.set(start + 2001);
    rig.round.onTimer(TrainingRound::FreeNoteTimer);
    QCOMPARE(rig.sink.silences(), 1);
    QVERIFY(!rig.round.m_freeNoteOn);
    rig.clock.set(start + 3001);
    rig.round.onTimer(TrainingRound::FreeNoteTimer);
    QCOMPARE(rig.sink.silences(), 1);
    QCOMPARE(rig.host.repaints, 0); // timer 10 asks for no frame
}

void TestRoundTiming::startTrainingRunsItsStepsInOrder_data() {
    QTest::addColumn<bool>("inputOpen");
    QTest::addColumn<QStringList>("want");
    QTest::newRow("with MIDI input")
        << true << QStringList{"controls(true)",  "inputReset", "clearMailbox", "inputStart",
                               "startRoundTimer", "Silence",    "PlayNote"};
    QTest::newRow("without MIDI input")
        << false << QStringList{"controls(true)", "startRoundTimer", "Silence", "PlayNote"};
}

void TestRoundTiming::startTrainingRunsItsStepsInOrder() {
    QFETCH(bool, inputOpen);
    RoundRig rig;
    rig.input.open = inputOpen;
    rig.input.mailbox = 70; // a note from before the round is forgotten
    rig.round.startTraining();
    QTEST(calls(rig.log), "want");
    QCOMPARE(rig.round.m_slotIndex, 0);
    QVERIFY(rig.round.m_running);
    QVERIFY(rig.round.m_pileChanged);
    QCOMPARE(int(rig.round.m_points), 0);
    QCOMPARE(rig.current().y, float(69 + 5 * (29 - 7 * rig.current().octave - rig.current().step)));
    QCOMPARE(rig.current().fallSpeed, 0.0f);
}

void TestRoundTiming::finishRoundRunsItsStepsInOrder() {
    RoundRig rig;
    rig.round.startTraining();
    rig.runUntilOver();
    QVERIFY(rig.round.m_roundOver);
    const size_t from = rig.log.calls.size();
    rig.round.finishRound();
    QCOMPARE(calls(rig.log, from),
             (QStringList{"controls(false)", "Silence", "inputStop", "focus"}));
    QVERIFY(!rig.round.m_roundOver);
    QVERIFY(!rig.round.m_running);
}

void TestRoundTiming::cancelDuringPauseThenNewRoundStartsCleanly() {
    RoundRig rig;
    rig.round.startTraining();
    rig.clickRight();
    for (int i = 0; i < 10; ++i)
        rig.tick();
    rig.input.mailbox = 64; // arrives just before the input stops
    const size_t from = rig.log.calls.size();
    rig.round.cancelTraining();
    QCOMPARE(calls(rig.log, from),
             (QStringList{"stopRoundTimer", "Silence", "controls(false)", "focus", "inputStop"}));
    QVERIFY(!rig.round.m_running);
    rig.round.onTimer(TrainingRound::FreeNoteTimer); // the stray note judges nothing
    QCOMPARE(rig.round.m_slotIndex, 1);
    QCOMPARE(rig.round.m_slots[1].state, uint16_t(NoteSlot::Free));

    rig.clock.advance(50);
    rig.round.startTraining();
    QCOMPARE(rig.round.m_slotIndex, 0);
    QCOMPARE(rig.current().state, uint16_t(NoteSlot::OnLine));
    QCOMPARE(rig.current().x, 913.0f);
    for (int i = 1; i < SlotCount; ++i)
        QCOMPARE(rig.round.m_slots[size_t(i)].state, uint16_t(NoteSlot::Free));
    // No note from the cancelled pause turns up.
    for (int i = 0; i < 100; ++i)
        rig.tick();
    QCOMPARE(rig.round.m_slotIndex, 0);
    QCOMPARE(rig.round.m_slots[1].state, uint16_t(NoteSlot::Free));
    QVERIFY(rig.host.timerRunning);
}

void TestRoundTiming::cancelAfterWrongClickDoesNotReplayIntoNextRound() {
    RoundRig rig;
    rig.round.startTraining();
    rig.clickWrong();
    rig.round.cancelTraining();
    rig.clock.advance(5000);
    rig.round.startTraining();
    const size_t before = rig.sink.messages.size();
    rig.tick();
    QCOMPARE(rig.sink.messages.size(), before);
}

void TestRoundTiming::strayMidiNoteAfterCancelJudgesNothing() {
    RoundRig rig;
    rig.round.startTraining();
    const int note = rig.current().note;
    rig.round.cancelTraining();
    const size_t before = rig.sink.messages.size();
    rig.playMidi(note, TrainingRound::FreeNoteTimer); // arrived just before the input stopped
    QCOMPARE(rig.round.m_slotIndex, 0);
    QCOMPARE(rig.current().result, 0);
    QCOMPARE(rig.sink.messages.size(), before);
    QCOMPARE(rig.input.mailbox, int(NoteInput::NoNote));
}

QTEST_APPLESS_MAIN(TestRoundTiming)
#include "tst_roundtiming.moc"
