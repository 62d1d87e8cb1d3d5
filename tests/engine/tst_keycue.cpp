// SPDX-License-Identifier: GPL-3.0-or-later
// The lower staff from the computer keyboard: which cell a letter names in
// the cue's octave, the octave digits and the cue's moves, and an answer by
// key judged exactly as a click on the same cell.
#include <QtTest>

#include "enginefakes.h"
#include "keycue.h"
#include "pitch.h"

namespace {
Compass compassOf(int startOctave, int octaves, int accidentals) {
    Compass c;
    c.setAccidentals(uint16_t(accidentals));
    c.setStartOctave(uint16_t(startOctave));
    c.setOctaves(uint16_t(octaves));
    return c;
}

// The note a key names after the octave digit, or -1 when it names none.
int noteOfKeys(const Compass& compass, int digit, char letter, bool shift) {
    KeyCue cue;
    cue.reset(compass);
    if (digit && !cue.chooseOctave(digit, compass))
        return -1;
    const int cell = cue.cellForLetter(letter, shift, compass);
    return cell == KeyCue::NoCell ? -1 : compass.cellToNote(cell);
}
} // namespace

class TestKeyCue : public QObject {
    Q_OBJECT
private slots:
    void lettersNameNotesAsGermanPupilsDo_data();
    void lettersNameNotesAsGermanPupilsDo();
    void everyNoteOfAFourOctaveCompassTakesAtMostTwoKeys_data();
    void everyNoteOfAFourOctaveCompassTakesAtMostTwoKeys();
    void octaveDigitsStayInsideTheCompass_data();
    void octaveDigitsStayInsideTheCompass();
    void cueMovesCellByCellAndStopsAtTheStaffsEnds();
    void keyAnswerIsJudgedAsAClickOnTheSameCell_data();
    void keyAnswerIsJudgedAsAClickOnTheSameCell();
};

void TestKeyCue::lettersNameNotesAsGermanPupilsDo_data() {
    QTest::addColumn<int>("accidentals");
    QTest::addColumn<int>("digit"); // 0: none pressed
    QTest::addColumn<QString>("letter");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<int>("note"); // -1: no answer
    // "C'", one octave: the cue starts in the compass's octave.
    QTest::newRow("c") << 0 << 0 << "c" << false << 60;
    QTest::newRow("h") << 0 << 0 << "h" << false << 71;
    QTest::newRow("e with accidentals") << 1 << 0 << "e" << false << 64;
    QTest::newRow("b is B flat") << 1 << 0 << "b" << false << 70;
    QTest::newRow("Shift+c is Cis") << 1 << 0 << "c" << true << 61;
    QTest::newRow("Shift+d is Dis") << 1 << 0 << "d" << true << 63;
    QTest::newRow("Shift+f is Fis") << 1 << 0 << "f" << true << 66;
    QTest::newRow("Shift+g is Gis") << 1 << 0 << "g" << true << 68;
    QTest::newRow("Shift+a is B") << 1 << 0 << "a" << true << 70;
    QTest::newRow("Shift+e is none") << 1 << 0 << "e" << true << -1;
    QTest::newRow("Shift+h is none") << 1 << 0 << "h" << true << -1;
    QTest::newRow("Shift+b is none") << 1 << 0 << "b" << true << -1;
    QTest::newRow("b without accidentals is none") << 0 << 0 << "b" << false << -1;
    QTest::newRow("Shift+c without accidentals is none") << 0 << 0 << "c" << true << -1;
    QTest::newRow("x is none") << 1 << 0 << "x" << false << -1;
    QTest::newRow("2 then c is the closing C''") << 0 << 2 << "c" << false << 72;
    QTest::newRow("2 then d lies above the compass, on the staff") << 1 << 2 << "d" << false << 74;
}

void TestKeyCue::lettersNameNotesAsGermanPupilsDo() {
    QFETCH(int, accidentals);
    QFETCH(int, digit);
    QFETCH(QString, letter);
    QFETCH(bool, shift);
    QFETCH(int, note);
    QCOMPARE(noteOfKeys(compassOf(2, 1, accidentals), digit, letter.at(0).toLatin1(), shift), note);
}

void TestKeyCue::everyNoteOfAFourOctaveCompassTakesAtMostTwoKeys_data() {
    QTest::addColumn<int>("accidentals");
    QTest::newRow("without accidentals") << 0;
    QTest::newRow("with accidentals") << 1;
}

void TestKeyCue::everyNoteOfAFourOctaveCompassTakesAtMostTwoKeys() {
    QFETCH(int, accidentals);
    const Compass compass = compassOf(0, 4, accidentals);
    const std::string letters = "cdefgahb";
    for (int cell = compass.firstCompassCell(); cell <= compass.lastCompassCell(); ++cell) {
        const int wanted = compass.cellToNote(cell);
        bool found = false;
        for (int digit = 1; digit <= 5 && !found; ++digit)
            for (char letter : letters)
                for (bool shift : {false, true})
                    found = found || noteOfKeys(compass, digit, letter, shift) == wanted;
        QVERIFY2(found, qPrintable(QString::number(wanted)));
    }
}

void TestKeyCue::octaveDigitsStayInsideTheCompass_data() {
    QTest::addColumn<int>("startOctave");
    QTest::addColumn<int>("octaves");
    QTest::addColumn<int>("digit");
    QTest::addColumn<int>("note"); // of "c" after the digit; -1: the digit is refused
    QTest::newRow("1 is the compass's lowest") << 1 << 2 << 1 << 48;
    QTest::newRow("2 of two") << 1 << 2 << 2 << 60;
    QTest::newRow("3 is the closing C's") << 1 << 2 << 3 << 72;
    QTest::newRow("4 lies beyond") << 1 << 2 << 4 << -1;
    QTest::newRow("5 closes four octaves") << 0 << 4 << 5 << 84;
    QTest::newRow("0 is none") << 0 << 4 << 0 << 36; // no digit: the cue stays low
}

void TestKeyCue::octaveDigitsStayInsideTheCompass() {
    QFETCH(int, startOctave);
    QFETCH(int, octaves);
    QFETCH(int, digit);
    QFETCH(int, note);
    QCOMPARE(noteOfKeys(compassOf(startOctave, octaves, 0), digit, 'c', false), note);
}

void TestKeyCue::cueMovesCellByCellAndStopsAtTheStaffsEnds() {
    const Compass compass = compassOf(0, 4, 1);
    KeyCue cue;
    cue.reset(compass);
    QCOMPARE(cue.m_cell, 0);
    QVERIFY(!cue.move(-1, compass));
    QVERIFY(cue.move(1, compass));
    QCOMPARE(compass.cellToNote(cue.m_cell), 37);
    // The octave follows the cue: from the fourth octave's H one step right is the top C.
    QVERIFY(cue.chooseOctave(4, compass));
    QCOMPARE(cue.octave(compass), 3);
    cue.m_cell = compass.m_cellCount - 2;
    QVERIFY(cue.move(1, compass));
    QCOMPARE(compass.cellToNote(cue.m_cell), HighestNote);
    QVERIFY(!cue.move(1, compass));
    QCOMPARE(cue.cellForLetter('d', false, compass), KeyCue::NoCell); // above the top C
}

void TestKeyCue::keyAnswerIsJudgedAsAClickOnTheSameCell_data() {
    QTest::addColumn<bool>("rightFirst");
    QTest::newRow("right") << true;
    QTest::newRow("wrong, then right") << false;
}

void TestKeyCue::keyAnswerIsJudgedAsAClickOnTheSameCell() {
    QFETCH(bool, rightFirst);
    RoundRig byClick, byKey;
    for (RoundRig* rig : {&byClick, &byKey}) {
        rig->round.startTraining();
        rig->tick();
    }
    auto answer = [](RoundRig& rig, bool key, bool right) {
        const int rightCell = rig.compass.slotCell(rig.current());
        const int cell = right ? rightCell : (rightCell == 0 ? 1 : rightCell - 1);
        if (key)
            rig.round.answerCell(cell, AnswerWay::Keyboard);
        else
            rig.clickCell(cell);
        rig.round.onButtonUp();
    };
    for (int n = 0; n < 3; ++n) {
        for (bool key : {false, true}) {
            RoundRig& rig = key ? byKey : byClick;
            if (!rightFirst)
                answer(rig, key, false);
            answer(rig, key, true);
            for (int t = 0; t < 60; ++t)
                rig.tick();
        }
    }
    QCOMPARE(byKey.sink.messages, byClick.sink.messages);
    QCOMPARE(byKey.round.m_points, byClick.round.m_points);
    QCOMPARE(byKey.round.m_slotIndex, byClick.round.m_slotIndex);
    QCOMPARE(byKey.round.m_answerTime, byClick.round.m_answerTime);
    // The history tells the two ways apart.
    const RoundRecord keyed = byKey.round.m_recorder.finish(RoundRecord::Ending::Cancelled);
    QVERIFY(!keyed.answers.empty());
    for (const RecordedAnswer& a : keyed.answers)
        QCOMPARE(int(a.way), int(AnswerWay::Keyboard));
}

QTEST_APPLESS_MAIN(TestKeyCue)
#include "tst_keycue.moc"
