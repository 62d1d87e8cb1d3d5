// SPDX-License-Identifier: GPL-3.0-or-later
// The note draw: exact notes for given clock readings, no repeated pitch, the
// compass kept, and the frequencies over many draws.
#include <QtTest>

#include <map>

#include "enginefakes.h"
#include "pitch.h"

namespace {
struct CompassChoice {
    int startOctave;
    int octaves;
    int accidentals;
};

void choose(Compass& c, const CompassChoice& choice) {
    c.setAccidentals(uint16_t(choice.accidentals));
    c.setStartOctave(uint16_t(choice.startOctave));
    c.setOctaves(uint16_t(choice.octaves));
}
} // namespace

Q_DECLARE_METATYPE(CompassChoice)

class TestRoundDraw : public QObject {
    Q_OBJECT
private slots:
    void givenClockGivesExactNotes_data();
    void givenClockGivesExactNotes();
    void neverTheSamePitchTwiceAndAlwaysInsideTheCompass_data();
    void neverTheSamePitchTwiceAndAlwaysInsideTheCompass();
    void repeatedPitchSendsOneSilenceAndWaitsForTheClock();
    void frequenciesOverManyDraws_data();
    void frequenciesOverManyDraws();
};

void TestRoundDraw::givenClockGivesExactNotes_data() {
    QTest::addColumn<CompassChoice>("compass");
    QTest::addColumn<QList<uint32_t>>("times");
    QTest::addColumn<QList<int>>("notes");
    const QList<uint32_t> times{5000, 5010, 5020, 5030, 5040, 5050};
    QTest::newRow("C' one octave")
        << CompassChoice{2, 1, 0} << times << QList<int>{72, 69, 64, 60, 69, 64};
    QTest::newRow("C four octaves with accidentals")
        << CompassChoice{0, 4, 1} << times << QList<int>{73, 81, 76, 84, 81, 76};
    QTest::newRow("C' one octave, odd times")
        << CompassChoice{2, 1, 0} << QList<uint32_t>{1000, 1010, 123456, 0xFFFFFFF0u, 7}
        << QList<int>{72, 67, 64, 62, 69};
    QTest::newRow("C four octaves, odd times")
        << CompassChoice{0, 4, 1} << QList<uint32_t>{1000, 1010, 123456, 0xFFFFFFF0u, 7}
        << QList<int>{49, 68, 64, 51, 69};
}

void TestRoundDraw::givenClockGivesExactNotes() {
    QFETCH(CompassChoice, compass);
    QFETCH(QList<uint32_t>, times);
    QFETCH(QList<int>, notes);
    RoundRig rig;
    choose(rig.compass, compass);
    rig.clock.set(times[0]);
    rig.round.startTraining();
    QCOMPARE(int(rig.current().note), notes[0]);
    for (int i = 1; i < times.size(); ++i) {
        rig.clock.set(times[i]);
        rig.input.mailbox = rig.current().note;
        rig.round.onTimer(TrainingRound::RoundTimer);
        QCOMPARE(rig.round.m_slotIndex, i);
        QCOMPARE(int(rig.current().note), notes[i]);
        QCOMPARE(rig.sink.lastNote(), notes[i]);
    }
}

void TestRoundDraw::neverTheSamePitchTwiceAndAlwaysInsideTheCompass_data() {
    QTest::addColumn<CompassChoice>("compass");
    QTest::addColumn<uint32_t>("msPerTick");
    QTest::newRow("C'' one octave") << CompassChoice{3, 1, 0} << 10u;
    QTest::newRow("C'' one octave, 1 ms apart") << CompassChoice{3, 1, 0} << 1u;
    QTest::newRow("C'' one octave with accidentals") << CompassChoice{3, 1, 1} << 10u;
    QTest::newRow("C four octaves with accidentals") << CompassChoice{0, 4, 1} << 7u;
    QTest::newRow("c two octaves") << CompassChoice{1, 2, 0} << 13u;
}

void TestRoundDraw::neverTheSamePitchTwiceAndAlwaysInsideTheCompass() {
    QFETCH(CompassChoice, compass);
    QFETCH(uint32_t, msPerTick);
    RoundRig rig;
    choose(rig.compass, compass);
    const int low = rig.compass.m_startNote;
    const int high = low + 12 * rig.compass.m_octaves;
    rig.round.startTraining();
    while (rig.round.m_slotIndex < SlotCount) {
        const NoteSlot& s = rig.current();
        QVERIFY2(s.note >= low && s.note <= high, qPrintable(QString::number(s.note)));
        QCOMPARE(int(s.note), noteOf(s.octave, s.step, s.accidental));
        if (!compass.accidentals)
            QCOMPARE(s.accidental, 0);
        QCOMPARE(s.y, float(69 + 5 * (29 - 7 * s.octave - s.step)));
        if (rig.round.m_slotIndex > 0)
            QVERIFY(s.note != rig.round.m_slots[size_t(rig.round.m_slotIndex - 1)].note);
        rig.input.mailbox = s.note;
        rig.clock.advance(msPerTick);
        rig.round.onTimer(TrainingRound::RoundTimer);
    }
}

// Slot 0 drawn at 1000 ms is 72; at 2001 ms the draw gives 72 again, at 2002 ms 65.
void TestRoundDraw::repeatedPitchSendsOneSilenceAndWaitsForTheClock() {
    RoundRig rig;
    rig.clock.set(1000);
    rig.round.startTraining();
    QCOMPARE(int(rig.current().note), 72);
    const size_t before = rig.sink.messages.size();
    const long readsBefore = rig.clock.totalReads;
    rig.clock.set(2001);
    rig.input.mailbox = 72;
    rig.round.onTimer(TrainingRound::FreeNoteTimer);
    QCOMPARE(rig.round.m_slotIndex, 1);
    QCOMPARE(int(rig.current().note), 65);
    QCOMPARE(rig.sink.messages.size(), before + 2);
    QCOMPARE(rig.sink.messages[before], RecordingSink::SilenceMsg);
    QCOMPARE(rig.sink.messages[before + 1], RecordingSink::noteOn(65));
    QVERIFY(rig.clock.totalReads - readsBefore > rig.clock.readsPerMs); // it waited
    QCOMPARE(rig.clock.t, 2002u);
}

// Without accidentals each white key has weight 2, the lowest and the closing C
// weight 1; with accidentals E and A have 2, the two outer C's 1/2, the rest 1.
void TestRoundDraw::frequenciesOverManyDraws_data() {
    QTest::addColumn<CompassChoice>("compass");
    QTest::addColumn<QList<int>>("notes");
    QTest::addColumn<QList<double>>("weights");
    QTest::newRow("C' without accidentals")
        << CompassChoice{2, 1, 0} << QList<int>{60, 62, 64, 65, 67, 69, 71, 72}
        << QList<double>{1, 2, 2, 2, 2, 2, 2, 1};
    QTest::newRow("C' with accidentals")
        << CompassChoice{2, 1, 1} << QList<int>{60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72}
        << QList<double>{0.5, 1, 1, 1, 2, 1, 1, 1, 1, 2, 1, 1, 0.5};
    QTest::newRow("c two octaves: the middle C is whole")
        << CompassChoice{1, 2, 0}
        << QList<int>{48, 50, 52, 53, 55, 57, 59, 60, 62, 64, 65, 67, 69, 71, 72}
        << QList<double>{1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1};
}

void TestRoundDraw::frequenciesOverManyDraws() {
    QFETCH(CompassChoice, compass);
    QFETCH(QList<int>, notes);
    QFETCH(QList<double>, weights);
    Compass c;
    choose(c, compass);
    CrtRandom random;
    std::map<int, int> counts;
    const int draws = 140000;
    for (int i = 0; i < draws; ++i) {
        NoteSlot slot;
        // Seeds as the clock gives them: consecutive milliseconds.
        TrainingRound::drawPitch(random, uint32_t(3000000 + i), c, slot);
        ++counts[slot.note];
    }
    QCOMPARE(int(counts.size()), notes.size());
    double total = 0;
    for (double w : weights)
        total += w;
    for (int k = 0; k < notes.size(); ++k) {
        const double expected = draws * weights[k] / total;
        const double got = counts[notes[k]];
        QVERIFY2(std::abs(got - expected) < 0.05 * expected,
                 qPrintable(QStringLiteral("note %1: %2 draws, %3 expected")
                                .arg(notes[k])
                                .arg(got)
                                .arg(expected)));
    }
}

QTEST_APPLESS_MAIN(TestRoundDraw)
#include "tst_rounddraw.moc"
