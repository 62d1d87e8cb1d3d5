// SPDX-License-Identifier: GPL-3.0-or-later
// The note model: compass fitting, the lower-staff grid, the generator and the pile places.
#include <QtTest>

#include <set>

#include "compass.h"
#include "crtrandom.h"
#include "noteslot.h"
#include "piletable.h"
#include "pitch.h"
#include "traininground.h"

class TestCompass : public QObject {
    Q_OBJECT
private slots:
    void radioChoiceWinsAndTheOtherIsCutBack_data();
    void radioChoiceWinsAndTheOtherIsCutBack();
    void gridFollowsAccidentalMode_data();
    void gridFollowsAccidentalMode();
    void cellsMapToKeyboardNotes_data();
    void cellsMapToKeyboardNotes();
    void pointerMapsToCellWithTruncationAndStrictBand_data();
    void pointerMapsToCellWithTruncationAndStrictBand();
    void theCellThatAnswersASlotSoundsItsNote_data();
    void theCellThatAnswersASlotSoundsItsNote();
    void compassCellsCoverTheCompass_data();
    void compassCellsCoverTheCompass();
    void twelveWrittenFormsPerOctaveWithAccidentals();
    void generatorGivesTheRuntimeSequence();
    void pileTableIsThePyramidInFillingOrder();
    void pileConvertsToPixels();
    void secondHundredUsesTheFirstHundredsPlaces();
};

// Actions on the compass radios: 'S' start note (octave index), 'O' octave count.
void TestCompass::radioChoiceWinsAndTheOtherIsCutBack_data() {
    QTest::addColumn<int>("startOctave");
    QTest::addColumn<int>("octaves");
    QTest::addColumn<char>("action");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("wantStartNote");
    QTest::addColumn<int>("wantOctaves");
    QTest::addColumn<bool>("wantCut");

    QTest::newRow("C'' then 4 octaves -> C") << 3 << 1 << 'O' << 4 << 36 << 4 << true;
    QTest::newRow("4 octaves then C' -> 2 octaves") << 0 << 4 << 'S' << 2 << 60 << 2 << true;
    QTest::newRow("2 octaves from C' then C keeps 2") << 2 << 2 << 'S' << 0 << 36 << 2 << false;
    QTest::newRow("C'' then 2 octaves -> C'") << 3 << 1 << 'O' << 2 << 60 << 2 << true;
    QTest::newRow("c then 3 octaves fits") << 1 << 1 << 'O' << 3 << 48 << 3 << false;
    QTest::newRow("c then 4 octaves -> C") << 1 << 1 << 'O' << 4 << 36 << 4 << true;
    QTest::newRow("3 octaves then C'' -> 1") << 0 << 3 << 'S' << 3 << 72 << 1 << true;
    QTest::newRow("C'' one octave fits exactly") << 2 << 1 << 'S' << 3 << 72 << 1 << false;
}

void TestCompass::radioChoiceWinsAndTheOtherIsCutBack() {
    QFETCH(int, startOctave);
    QFETCH(int, octaves);
    QFETCH(char, action);
    QFETCH(int, value);
    Compass c;
    c.setStartOctave(uint16_t(startOctave));
    c.setOctaves(uint16_t(octaves));
    bool cut = false;
    if (action == 'S') {
        c.setStartOctave(uint16_t(value));
        cut = c.fitOctaves();
    } else {
        c.setOctaves(uint16_t(value));
        cut = c.fitStartNote();
    }
    QTEST(int(c.m_startNote), "wantStartNote");
    QTEST(int(c.m_octaves), "wantOctaves");
    QTEST(cut, "wantCut");
    QCOMPARE(int(c.m_startOctave), (c.m_startNote - 36) / 12);
    QVERIFY(c.m_startNote + 12 * c.m_octaves <= 84);
}

void TestCompass::gridFollowsAccidentalMode_data() {
    QTest::addColumn<int>("accidentals");
    QTest::addColumn<int>("cells");
    QTest::addColumn<int>("width");
    QTest::newRow("without") << 0 << 29 << 30;
    QTest::newRow("with") << 1 << 49 << 18;
}

void TestCompass::gridFollowsAccidentalMode() {
    QFETCH(int, accidentals);
    Compass c;
    c.setAccidentals(uint16_t(1 - accidentals)); // come from the other mode
    c.setAccidentals(uint16_t(accidentals));
    QTEST(int(c.m_cellCount), "cells");
    QTEST(int(c.m_cellWidth), "width");
    QCOMPARE(int(c.m_cellOffset), 31);
}

void TestCompass::cellsMapToKeyboardNotes_data() {
    QTest::addColumn<int>("accidentals");
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("note");
    QTest::newRow("white: lowest C") << 0 << 0 << 36;
    QTest::newRow("white: D") << 0 << 1 << 38;
    QTest::newRow("white: F") << 0 << 3 << 41;
    QTest::newRow("white: H") << 0 << 6 << 47;
    QTest::newRow("white: c") << 0 << 7 << 48;
    QTest::newRow("white: A of C''") << 0 << 26 << 81;
    QTest::newRow("white: top C") << 0 << 28 << 84;
    QTest::newRow("white: past the top") << 0 << 29 << Compass::NoNote;
    QTest::newRow("white: left of the first") << 0 << -1 << Compass::NoNote;
    QTest::newRow("chromatic: lowest C") << 1 << 0 << 36;
    QTest::newRow("chromatic: B") << 1 << 10 << 46;
    QTest::newRow("chromatic: top C") << 1 << 48 << 84;
    QTest::newRow("chromatic: past the top") << 1 << 49 << Compass::NoNote;
}

void TestCompass::cellsMapToKeyboardNotes() {
    QFETCH(int, accidentals);
    QFETCH(int, cell);
    Compass c;
    c.setAccidentals(uint16_t(accidentals));
    QTEST(c.cellToNote(cell), "note");
}

void TestCompass::pointerMapsToCellWithTruncationAndStrictBand_data() {
    QTest::addColumn<int>("accidentals");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("cell");
    const int no = Compass::NoCell;
    QTest::newRow("on the upper band edge") << 0 << 100 << 228 << no;
    QTest::newRow("just inside the upper edge") << 0 << 100 << 229 << 2;
    QTest::newRow("just inside the lower edge") << 0 << 100 << 391 << 2;
    QTest::newRow("on the lower band edge") << 0 << 100 << 392 << no;
    QTest::newRow("far above") << 0 << 100 << -5 << no;
    QTest::newRow("first pixel of cell 0") << 0 << 36 << 300 << 0;
    QTest::newRow("last pixel of cell 0") << 0 << 65 << 300 << 0;
    QTest::newRow("first pixel of cell 1") << 0 << 66 << 300 << 1;
    QTest::newRow("29 px left of cell 0 truncates to 0") << 0 << 7 << 300 << 0;
    QTest::newRow("30 px left of cell 0") << 0 << 6 << 300 << -1;
    QTest::newRow("far left") << 0 << -100 << 300 << -4;
    QTest::newRow("last white cell") << 0 << 905 << 300 << 28;
    QTest::newRow("right of the last white cell") << 0 << 906 << 300 << 29;
    QTest::newRow("chromatic 17 px left of cell 0") << 1 << 19 << 300 << 0;
    QTest::newRow("chromatic 18 px left of cell 0") << 1 << 18 << 300 << -1;
    QTest::newRow("chromatic top C") << 1 << 36 + 48 * 18 << 300 << 48;
    QTest::newRow("chromatic right of the top C") << 1 << 36 + 49 * 18 << 300 << 49;
}

void TestCompass::pointerMapsToCellWithTruncationAndStrictBand() {
    QFETCH(int, accidentals);
    QFETCH(int, x);
    QFETCH(int, y);
    Compass c;
    c.setAccidentals(uint16_t(accidentals));
    QTEST(c.cellAtPointer(x, y), "cell");
}

// Every pitch a round can ask must be answered by a cell that sounds that pitch,
// in both modes, the top C included.
void TestCompass::theCellThatAnswersASlotSoundsItsNote_data() {
    QTest::addColumn<int>("accidentals");
    QTest::newRow("without") << 0;
    QTest::newRow("with") << 1;
}

void TestCompass::theCellThatAnswersASlotSoundsItsNote() {
    QFETCH(int, accidentals);
    Compass c;
    c.setAccidentals(uint16_t(accidentals));
    c.setStartOctave(0);
    c.setOctaves(4);
    CrtRandom random;
    std::set<int> notes;
    for (uint32_t seed = 0; seed < 20000; ++seed) {
        NoteSlot slot;
        TrainingRound::drawPitch(random, seed, c, slot);
        const int cell = c.slotCell(slot);
        QVERIFY2(cell >= 0 && cell < c.m_cellCount, qPrintable(QString::number(slot.note)));
        QCOMPARE(c.cellToNote(cell), int(slot.note));
        notes.insert(slot.note);
    }
    QCOMPARE(int(notes.size()), accidentals ? 49 : 29); // the whole keyboard was asked
}

void TestCompass::compassCellsCoverTheCompass_data() {
    QTest::addColumn<int>("accidentals");
    QTest::addColumn<int>("startOctave");
    QTest::addColumn<int>("octaves");
    QTest::addColumn<int>("keys");
    QTest::newRow("C'' one octave, white") << 0 << 3 << 1 << 8;
    QTest::newRow("C'' one octave, chromatic") << 1 << 3 << 1 << 13;
    QTest::newRow("C four octaves, white") << 0 << 0 << 4 << 29;
    QTest::newRow("c two octaves, chromatic") << 1 << 1 << 2 << 25;
}

void TestCompass::compassCellsCoverTheCompass() {
    QFETCH(int, accidentals);
    QFETCH(int, startOctave);
    QFETCH(int, octaves);
    Compass c;
    c.setAccidentals(uint16_t(accidentals));
    c.setStartOctave(uint16_t(startOctave));
    c.setOctaves(uint16_t(octaves));
    QTEST(c.lastCompassCell() - c.firstCompassCell() + 1, "keys");
    QCOMPARE(c.cellToNote(c.firstCompassCell()), int(c.m_startNote));
    QCOMPARE(c.cellToNote(c.lastCompassCell()), c.m_startNote + 12 * c.m_octaves);
}

void TestCompass::twelveWrittenFormsPerOctaveWithAccidentals() {
    Compass c;
    c.setAccidentals(1);
    CrtRandom random;
    std::set<std::pair<int, int>> forms; // (step, accidental) within the octave
    std::set<int> pitchClasses;
    for (uint32_t seed = 0; seed < 5000; ++seed) {
        NoteSlot slot;
        TrainingRound::drawPitch(random, seed, c, slot);
        forms.insert({slot.step, slot.accidental});
        pitchClasses.insert(slot.note % 12);
        if (slot.step == 2 || slot.step == 5)
            QCOMPARE(slot.accidental, 0); // E and A carry no sign
        if (slot.step == 6)
            QVERIFY(slot.accidental <= 0); // never A sharp: H flat instead
        else
            QVERIFY(slot.accidental >= 0);
    }
    QCOMPARE(int(forms.size()), 12);
    QCOMPARE(int(pitchClasses.size()), 12);
}

void TestCompass::generatorGivesTheRuntimeSequence() {
    CrtRandom r;
    r.seed(1);
    const int want[] = {41, 18467, 6334, 26500, 19169, 15724};
    for (int w : want)
        QCOMPARE(r.next(), w);
}

// The table must be the pyramid that fills from the middle of the bottom row:
// (9,0); then for m = 1..9 the left flank from (9-m, 0) up to (9, m) and the
// right flank from (9+m, 0) up to (10, m-1); entries 1 and 2 swapped to (9,1), (8,0).
void TestCompass::pileTableIsThePyramidInFillingOrder() {
    std::vector<std::pair<int, int>> order{{9, 0}};
    for (int m = 1; m <= 9; ++m) {
        for (int k = 0; k <= m; ++k)
            order.push_back({9 - m + k, k});
        for (int k = 0; k < m; ++k)
            order.push_back({9 + m - k, k});
    }
    std::swap(order[1], order[2]);
    QCOMPARE(int(order.size()), PileTable::Places);
    for (int i = 0; i < PileTable::Places; ++i) {
        QCOMPARE(int(PileTable::Column[i]), order[size_t(i)].first);
        QCOMPARE(int(PileTable::Row[i]), order[size_t(i)].second);
    }
}

void TestCompass::pileConvertsToPixels() {
    PileTable pile;
    pile.convert();
    QCOMPARE(pile.pileX[0], int16_t(36));
    QCOMPARE(pile.pileY[0], int16_t(90));
    QCOMPARE(pile.pileX[1], int16_t(36)); // (9,1)
    QCOMPARE(pile.pileY[1], int16_t(80));
    QCOMPARE(pile.pileX[99], int16_t(40)); // (10,8)
    QCOMPARE(pile.pileY[99], int16_t(10));
    std::set<std::pair<int, int>> places;
    for (int i = 0; i < PileTable::Places; ++i) {
        QVERIFY(pile.pileX[i] >= 0 && pile.pileX[i] <= 72);
        QVERIFY(pile.pileY[i] >= 0 && pile.pileY[i] <= 90);
        places.insert({pile.pileX[i], pile.pileY[i]});
    }
    QCOMPARE(int(places.size()), PileTable::Places); // no place used twice
}

void TestCompass::secondHundredUsesTheFirstHundredsPlaces() {
    PileTable pile;
    pile.convert();
    for (int i = 100; i < SlotCount; ++i) {
        QCOMPARE(pile.x(i), int(pile.pileX[i - 100]));
        QCOMPARE(pile.y(i), int(pile.pileY[i - 100]));
    }
}

QTEST_APPLESS_MAIN(TestCompass)
#include "tst_compass.moc"
