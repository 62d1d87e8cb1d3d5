// SPDX-License-Identifier: GPL-3.0-or-later
// What a round records for the mistake map: the notes asked, each answer with
// its way, the first try, the time to the right answer, and how it ended.
#include <QtTest>

#include "enginefakes.h"
#include "roundarchive.h"

namespace {
class KeepingArchive final : public RoundArchive {
public:
    std::vector<RoundRecord> kept;
    void describePlayer(RoundRecord& record) override {
        record.player = "Jördis";
        record.instrument = 40;
    }
    void keepRound(RoundRecord&& record) override { kept.push_back(std::move(record)); }
};

// The clock stands still unless the test moves it, so every time is exact.
struct RecordRig : RoundRig {
    KeepingArchive archive;
    RecordRig() {
        clock.readsPerMs = 1 << 20;
        round.setArchive(&archive);
    }
    void answer(AnswerWay way, bool right) {
        const int asked = current().note;
        const int wrong = asked == 84 ? 83 : asked + 1;
        if (way == AnswerWay::Click)
            right ? clickRight() : clickWrong();
        else
            playMidi(right ? asked : wrong);
    }
    // The note the wrong answer of answer() names.
    int wrongNote() {
        const int asked = current().note;
        if (asked == 84)
            return 83;
        return asked + 1;
    }
    // Lets the round run out and finishes it as the window does after its last frame.
    void endByItself() {
        runUntilOver();
        round.finishRound();
    }
};
} // namespace

Q_DECLARE_METATYPE(AnswerWay)

class TestRoundRecord : public QObject {
    Q_OBJECT
private slots:
    void rightAtOnceThenUnanswered_data();
    void rightAtOnceThenUnanswered();
    void wrongThenRightKeepsBothAnswers_data();
    void wrongThenRightKeepsBothAnswers();
    void cancelledRoundDropsOnlyTheUnjudgedNote_data();
    void cancelledRoundDropsOnlyTheUnjudgedNote();
    void practiceAndCompassAreMarked();
    void roundIsHandedOverOnce();
    void noteDrawnAgainBeforeItsAnswerIsAskedOnce();
    void roundAtTheProgramsEndIsKeptSilently_data();
    void roundAtTheProgramsEndIsKeptSilently();
};

void TestRoundRecord::rightAtOnceThenUnanswered_data() {
    QTest::addColumn<AnswerWay>("way");
    QTest::newRow("click") << AnswerWay::Click;
    QTest::newRow("MIDI") << AnswerWay::Midi;
}

void TestRoundRecord::rightAtOnceThenUnanswered() {
    QFETCH(AnswerWay, way);
    RecordRig rig;
    rig.round.startTraining();
    const int first = rig.current().note;
    rig.clock.advance(1230);
    rig.answer(way, true);
    // A click is judged now, a MIDI note at the timer message 10 ms later.
    const int expectedMs = way == AnswerWay::Click ? 1230 : 1240;
    QVERIFY(rig.archive.kept.empty()); // nothing leaves before the round's end
    rig.endByItself();

    QCOMPARE(rig.archive.kept.size(), size_t(1));
    const RoundRecord& r = rig.archive.kept[0];
    QCOMPARE(r.ending, RoundRecord::Ending::Ended);
    QCOMPARE(r.player, std::string("Jördis"));
    QCOMPARE(r.instrument, 40);
    QCOMPARE(r.notes.size(), size_t(2));
    QCOMPARE(int(r.notes[0].note), first);
    QVERIFY(r.notes[0].firstRight);
    QCOMPARE(r.notes[0].msToRight, expectedMs);
    const auto answers = r.answersOf(r.notes[0]);
    QCOMPARE(answers.size(), size_t(1));
    QCOMPARE(int(answers[0].note), first);
    QCOMPARE(answers[0].way, way);
    // The second note left the line without an answer.
    QVERIFY(!r.notes[1].firstRight);
    QCOMPARE(r.notes[1].msToRight, AskedNote::NeverRight);
    QCOMPARE(r.answersOf(r.notes[1]).size(), size_t(0));
    QCOMPARE(int(r.notes[1].note), int(rig.round.m_slots[1].note));
}

void TestRoundRecord::wrongThenRightKeepsBothAnswers_data() {
    QTest::addColumn<AnswerWay>("wrong");
    QTest::addColumn<AnswerWay>("right");
    QTest::newRow("click, click") << AnswerWay::Click << AnswerWay::Click;
    QTest::newRow("MIDI, click") << AnswerWay::Midi << AnswerWay::Click;
    QTest::newRow("click, MIDI") << AnswerWay::Click << AnswerWay::Midi;
}

void TestRoundRecord::wrongThenRightKeepsBothAnswers() {
    QFETCH(AnswerWay, wrong);
    QFETCH(AnswerWay, right);
    RecordRig rig;
    rig.round.startTraining();
    const int asked = rig.current().note;
    const int wrongNote = wrong == AnswerWay::Click
                              ? rig.compass.cellToNote(rig.compass.slotCell(rig.current()) == 0
                                                           ? 1
                                                           : rig.compass.slotCell(rig.current()) - 1)
                              : rig.wrongNote();
    rig.clock.advance(400);
    rig.answer(wrong, false);
    rig.clock.advance(600);
    rig.answer(right, true);
    rig.round.cancelTraining();

    QCOMPARE(rig.archive.kept.size(), size_t(1));
    const RoundRecord& r = rig.archive.kept[0];
    QCOMPARE(r.notes.size(), size_t(1));
    QVERIFY(!r.notes[0].firstRight);
    // Measured from the note's first sounding, not from the wrong answer.
    const int ms = 400 + (wrong == AnswerWay::Midi ? 10 : 0) + 600 +
                   (right == AnswerWay::Midi ? 10 : 0);
    QCOMPARE(r.notes[0].msToRight, ms);
    const auto answers = r.answersOf(r.notes[0]);
    QCOMPARE(answers.size(), size_t(2));
    QCOMPARE(int(answers[0].note), wrongNote);
    QCOMPARE(answers[0].way, wrong);
    QCOMPARE(int(answers[1].note), asked);
    QCOMPARE(answers[1].way, right);
}

void TestRoundRecord::cancelledRoundDropsOnlyTheUnjudgedNote_data() {
    QTest::addColumn<bool>("wrongBeforeCancel");
    QTest::addColumn<int>("notes");
    QTest::newRow("current note unanswered") << false << 1;
    QTest::newRow("current note answered wrong") << true << 2;
}

void TestRoundRecord::cancelledRoundDropsOnlyTheUnjudgedNote() {
    QFETCH(bool, wrongBeforeCancel);
    QFETCH(int, notes);
    RecordRig rig;
    rig.round.startTraining();
    rig.answer(AnswerWay::Midi, true); // the next note comes at once
    if (wrongBeforeCancel)
        rig.answer(AnswerWay::Midi, false);
    rig.round.cancelTraining();

    QCOMPARE(rig.archive.kept.size(), size_t(1));
    const RoundRecord& r = rig.archive.kept[0];
    QCOMPARE(r.ending, RoundRecord::Ending::Cancelled);
    QCOMPARE(int(r.notes.size()), notes);
    QVERIFY(r.notes[0].firstRight);
    if (wrongBeforeCancel) {
        QVERIFY(!r.notes[1].firstRight);
        QCOMPARE(r.notes[1].msToRight, AskedNote::NeverRight);
        QCOMPARE(r.answersOf(r.notes[1]).size(), size_t(1));
    }
}

void TestRoundRecord::practiceAndCompassAreMarked() {
    RecordRig rig;
    rig.compass.setStartOctave(1);
    rig.compass.setOctaves(2);
    rig.compass.setAccidentals(1);
    for (bool practice : {true, false}) {
        if (rig.round.m_practice != practice)
            rig.round.togglePractice();
        rig.round.startTraining();
        rig.endByItself();
    }
    QCOMPARE(rig.archive.kept.size(), size_t(2));
    QVERIFY(rig.archive.kept[0].practice);
    QVERIFY(!rig.archive.kept[1].practice);
    for (const RoundRecord& r : rig.archive.kept) {
        QCOMPARE(int(r.startNote), 48);
        QCOMPARE(int(r.octaves), 2);
        QCOMPARE(int(r.accidentals), 1);
    }
}

void TestRoundRecord::roundIsHandedOverOnce() {
    RecordRig rig;
    rig.round.startTraining();
    rig.runUntilOver();
    // "Training abbrechen" still works between the round's end and its finish.
    rig.round.cancelTraining();
    rig.round.finishRound();
    QCOMPARE(rig.archive.kept.size(), size_t(1));
    // Without an archive the round runs as ever.
    rig.round.setArchive(nullptr);
    rig.round.startTraining();
    rig.endByItself();
    QCOMPARE(rig.archive.kept.size(), size_t(1));
}

void TestRoundRecord::noteDrawnAgainBeforeItsAnswerIsAskedOnce() {
    RecordRig rig;
    rig.round.startTraining();
    for (int i = 0; i < 5; ++i) {
        rig.clock.advance(50);
        rig.round.chooseNextNote();
    }
    rig.clock.advance(300);
    rig.clickRight();
    rig.round.cancelTraining();
    const RoundRecord& r = rig.archive.kept.at(0);
    QCOMPARE(r.notes.size(), size_t(1));
    QCOMPARE(int(r.notes[0].note), int(rig.round.m_slots[0].note));
    QCOMPARE(r.notes[0].msToRight, 300); // from the last drawing, the one that was answered
}

void TestRoundRecord::roundAtTheProgramsEndIsKeptSilently_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("kept"); // -1: nothing kept, else the ending
    QTest::newRow("running, two answers")
        << QStringLiteral("running") << int(RoundRecord::Ending::Cancelled);
    QTest::newRow("over, not yet finished")
        << QStringLiteral("over") << int(RoundRecord::Ending::Ended);
    QTest::newRow("cancelled before") << QStringLiteral("cancelled") << -1;
    QTest::newRow("no round yet") << QStringLiteral("idle") << -1;
}

void TestRoundRecord::roundAtTheProgramsEndIsKeptSilently() {
    QFETCH(QString, state);
    QFETCH(int, kept);
    RecordRig rig;
    if (state != QLatin1String("idle")) {
        rig.round.startTraining();
        rig.clock.advance(400);
        rig.answer(AnswerWay::Click, false);
        rig.clock.advance(600);
        rig.answer(AnswerWay::Click, true);
    }
    if (state == QLatin1String("over"))
        rig.runUntilOver();
    if (state == QLatin1String("cancelled"))
        rig.round.cancelTraining();
    const size_t before = rig.archive.kept.size();
    const size_t messages = rig.sink.messages.size();
    const auto calls = rig.log.calls.size();

    rig.round.keepRoundAtProgramEnd();
    rig.round.keepRoundAtProgramEnd(); // the teardown's second call keeps nothing more

    QCOMPARE(rig.sink.messages.size(), messages); // not a byte more to the output
    QCOMPARE(rig.log.calls.size(), calls);        // nor a change on the screen
    if (kept < 0) {
        QCOMPARE(rig.archive.kept.size(), before);
        return;
    }
    QCOMPARE(rig.archive.kept.size(), size_t(1));
    const RoundRecord& r = rig.archive.kept[0];
    QCOMPARE(int(r.ending), kept);
    QVERIFY(r.notes.size() >= 1);
    QVERIFY(!r.notes[0].firstRight);
    QCOMPARE(r.answersOf(r.notes[0]).size(), size_t(2));
}

QTEST_APPLESS_MAIN(TestRoundRecord)
#include "tst_roundrecord.moc"
