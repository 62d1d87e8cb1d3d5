// SPDX-License-Identifier: GPL-3.0-or-later
// Taking the game's note out of what the microphone hears: the note with its
// overtones goes, whatever its period; another note stays, as loud as the
// filter's curve has it there; nothing is taken before a note is chosen.
#include <QtTest>

#include <cmath>

#include "notecanceller.h"
#include "testtone.h"

namespace {
constexpr double Rate = 48000;

double rmsDb(const std::vector<float>& s, std::size_t from) {
    double sum = 0;
    for (std::size_t i = from; i < s.size(); ++i)
        sum += double(s[i]) * s[i];
    return 10 * std::log10(sum / double(s.size() - from) + 1e-30);
}

double hzOf(double note) {
    return 440.0 * std::exp2((note - 69) / 12.0);
}
} // namespace

class TestNoteCanceller : public QObject {
    Q_OBJECT
private slots:
    void takesOutOnlyItsNote_data();
    void takesOutOnlyItsNote();
    void untunedAndUnfit();
};

void TestNoteCanceller::takesOutOnlyItsNote_data() {
    QTest::addColumn<double>("tuned"); // the key taken out, with its cents
    QTest::addColumn<double>("heard"); // the key sounding
    QTest::addColumn<double>("minDropDb");
    QTest::addColumn<double>("maxDropDb");
    // Periods of 734 (the low C), 291.2, 109.1 and 27.5 samples.
    QTest::newRow("the low C") << 36.0 << 36.0 << 45.0 << 200.0;
    QTest::newRow("a period between two samples") << 52.0 << 52.0 << 45.0 << 200.0;
    QTest::newRow("the sample lying 35 cents off its key") << 69.35 << 69.35 << 45.0 << 200.0;
    QTest::newRow("a high note") << 93.0 << 93.0 << 30.0 << 200.0;
    // 2 sin(pi f / f0) at the fundamental and the overtones.
    QTest::newRow("a fourth below stays") << 57.0 << 52.0 << -4.5 << -3.0;
    QTest::newRow("a fifth above stays") << 50.0 << 57.0 << -6.0 << 0.0;
    QTest::newRow("an octave above goes with it") << 48.0 << 60.0 << 45.0 << 200.0;
}

void TestNoteCanceller::takesOutOnlyItsNote() {
    QFETCH(double, tuned);
    QFETCH(double, heard);
    QFETCH(double, minDropDb);
    QFETCH(double, maxDropDb);
    NoteCanceller canceller(Rate, hzOf(36));
    canceller.tune(hzOf(tuned));
    QVERIFY(canceller.tuned());
    const std::vector<float> in = testTone(heard, -12, 500, Rate);
    std::vector<float> out(in.size());
    // In uneven blocks, as the microphone's come.
    for (std::size_t at = 0, block = 97; at < in.size(); at += block)
        canceller.process(in.data() + at, out.data() + at, std::min(block, in.size() - at));
    // Past the tone's fade-in, before its fade-out.
    std::vector<float> steadyIn(in.begin() + 4800, in.end() - 480);
    std::vector<float> steadyOut(out.begin() + 4800, out.end() - 480);
    const double drop = rmsDb(steadyIn, 0) - rmsDb(steadyOut, 0);
    QVERIFY2(drop >= minDropDb && drop <= maxDropDb, qPrintable(QString::number(drop)));
}

void TestNoteCanceller::untunedAndUnfit() {
    NoteCanceller canceller(Rate, hzOf(36));
    const std::vector<float> in = testTone(60, -12, 100, Rate);
    std::vector<float> out(in.size());
    canceller.process(in.data(), out.data(), in.size());
    QCOMPARE(out, in); // nothing chosen: it passes unchanged
    canceller.tune(hzOf(24)); // below the lowest it was made for
    QVERIFY(!canceller.tuned());
    canceller.tune(Rate);      // a period of one sample
    QVERIFY(!canceller.tuned());
    NoteCanceller fresh(Rate, hzOf(36));
    fresh.tune(hzOf(60));
    std::vector<float> bad{NAN, INFINITY, 0.5f};
    fresh.process(bad.data(), bad.data(), bad.size()); // in place, nothing heard before
    QCOMPARE(bad, (std::vector<float>{0.0f, 0.0f, 0.5f}));
}

QTEST_APPLESS_MAIN(TestNoteCanceller)
#include "tst_notecanceller.moc"
