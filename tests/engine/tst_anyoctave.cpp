// SPDX-License-Identifier: GPL-3.0-or-later
// "Oktave egal": an answer in another octave of the asked note's name counts
// as the asked note; nothing else changes.
#include <QtTest>

#include "anyoctave.h"

class TestAnyOctave : public QObject {
    Q_OBJECT
private slots:
    void answerIsCounted_data();
    void answerIsCounted();
};

void TestAnyOctave::answerIsCounted_data() {
    QTest::addColumn<int>("answered");
    QTest::addColumn<int>("asked");
    QTest::addColumn<bool>("anyOctave");
    QTest::addColumn<int>("counted");
    QTest::newRow("off: the octave below stays wrong") << 48 << 60 << false << 48;
    QTest::newRow("off: the right key stays right") << 60 << 60 << false << 60;
    QTest::newRow("on: an octave below") << 48 << 60 << true << 60;
    QTest::newRow("on: two octaves above") << 84 << 60 << true << 60;
    QTest::newRow("on: three octaves below the top C") << 48 << 84 << true << 84;
    QTest::newRow("on: the right key") << 61 << 61 << true << 61;
    QTest::newRow("on: a semitone off stays wrong") << 59 << 60 << true << 59;
    QTest::newRow("on: a fifth off stays wrong") << 55 << 60 << true << 55;
    QTest::newRow("on: eleven semitones stay wrong") << 71 << 60 << true << 71;
    QTest::newRow("on: thirteen semitones stay wrong") << 73 << 60 << true << 73;
    QTest::newRow("on: a sharp an octave up") << 73 << 61 << true << 61;
    QTest::newRow("on: below the keyboard, same name") << 24 << 36 << true << 36;
}

void TestAnyOctave::answerIsCounted() {
    QFETCH(int, answered);
    QFETCH(int, asked);
    QFETCH(bool, anyOctave);
    QFETCH(int, counted);
    QCOMPARE(countedAnswer(answered, asked, anyOctave), counted);
}

QTEST_APPLESS_MAIN(TestAnyOctave)
#include "tst_anyoctave.moc"
