// SPDX-License-Identifier: GPL-3.0-or-later
// The listener's rules on sounds made to measure: tones with three
// harmonics, held, glided, out of tune, with pauses and without, fed in
// blocks of every size.
#include <QtTest>

#include <cmath>
#include <limits>
#include <random>

#include "notelistener.h"
#include "semitone.h"

namespace {
constexpr double Rate = 48000;

// A stretch of sound: its pitch slides from `fromNote` to `toNote` (as key
// numbers with fractions, 69 = 440 Hz) over `ms`; amplitude 0 is silence.
struct Stretch {
    double ms;
    double fromNote;
    double toNote;
    double amplitude = 0.3;
    double vibratoCents = 0; // up and down by this much, 5.5 times a second
    double hiss = 0;         // white noise of this amplitude on top ("s", "sch")
};

std::vector<float> tone(const std::vector<Stretch>& stretches) {
    std::vector<float> out;
    double phase = 0;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    for (std::size_t k = 0; k < stretches.size(); ++k) {
        const Stretch& s = stretches[k];
        const bool fadeIn = k == 0 || stretches[k - 1].amplitude == 0;
        const bool fadeOut = k + 1 == stretches.size() || stretches[k + 1].amplitude == 0;
        const auto n = std::size_t(s.ms * Rate / 1000.0);
        for (std::size_t i = 0; i < n; ++i) {
            const double note = s.fromNote + (s.toNote - s.fromNote) * double(i) / double(n) +
                                s.vibratoCents / 100 * std::sin(2 * M_PI * 5.5 * double(i) / Rate);
            phase += 2 * M_PI * 440.0 * std::exp2((note - 69) / 12.0) / Rate;
            // A 5 ms fade from and into silence, as a real attack and release have.
            const double fade = std::min({1.0, fadeIn ? double(i) / (0.005 * Rate) : 1.0,
                                          fadeOut ? double(n - i) / (0.005 * Rate) : 1.0});
            const double a = s.amplitude * fade;
            out.push_back(float(
                a * (std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.25 * std::sin(3 * phase)) +
                s.hiss * noise(random)));
        }
    }
    return out;
}

std::vector<HeardNote> heard(const std::vector<float>& sound, std::size_t block = 480,
                             const ListeningRules& rules = {}) {
    auto listener = NoteListener::create(Rate, rules);
    std::vector<HeardNote> all;
    for (std::size_t at = 0; at < sound.size(); at += block) {
        const auto some = listener->listen(sound.data() + at, std::min(block, sound.size() - at));
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

QString keys(const std::vector<HeardNote>& notes) {
    QStringList list;
    for (const HeardNote& n : notes)
        list << QString::number(n.note);
    return list.join(' ');
}
} // namespace
Q_DECLARE_METATYPE(std::vector<Stretch>)

class TestListener : public QObject {
    Q_OBJECT
private slots:
    void nearestKeyAndCents_data();
    void nearestKeyAndCents();
    void windowHoldsTheLowestNote_data();
    void windowHoldsTheLowestNote();
    void soundsGiveTheseAnswers_data();
    void soundsGiveTheseAnswers();
    void centsOffAreReported_data();
    void centsOffAreReported();
    void blockSizeChangesNothing_data();
    void blockSizeChangesNothing();
    void judgementComesAfterTheHold();
    void brokenSamplesAreSilence();
    void nonsenseSettingsAreRefused_data();
    void nonsenseSettingsAreRefused();
};

void TestListener::nearestKeyAndCents_data() {
    QTest::addColumn<double>("hz");
    QTest::addColumn<int>("note");
    QTest::addColumn<double>("cents");
    QTest::newRow("A' 440") << 440.0 << 69 << 0.0;
    QTest::newRow("low C") << 65.4064 << 36 << 0.0;
    QTest::newRow("top C") << 1046.502 << 84 << 0.0;
    QTest::newRow("A' 40 cents sharp") << 440.0 * std::exp2(40 / 1200.0) << 69 << 40.0;
    QTest::newRow("A' 40 cents flat") << 440.0 * std::exp2(-40 / 1200.0) << 69 << -40.0;
    QTest::newRow("60 cents above A' is B-flat, 40 flat")
        << 440.0 * std::exp2(60 / 1200.0) << 70 << -40.0;
    QTest::newRow("no pitch") << 0.0 << 0 << 0.0;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0 << 0.0;
}

void TestListener::nearestKeyAndCents() {
    QFETCH(double, hz);
    QFETCH(int, note);
    QFETCH(double, cents);
    const NearestKey key = nearestKey(hz);
    QCOMPARE(key.note, note);
    QVERIFY2(std::abs(key.cents - cents) < 0.01, qPrintable(QString::number(key.cents)));
}

void TestListener::windowHoldsTheLowestNote_data() {
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("lowestNote");
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("hop");
    QTest::newRow("C at 48 kHz") << 48000.0 << 36 << 2048 << 240;
    QTest::newRow("C at 44.1 kHz") << 44100.0 << 36 << 2048 << 220;
    QTest::newRow("c at 48 kHz") << 48000.0 << 48 << 1024 << 240;
    QTest::newRow("C' at 48 kHz") << 48000.0 << 60 << 512 << 240;
    QTest::newRow("C at 96 kHz") << 96000.0 << 36 << 4096 << 480;
}

void TestListener::windowHoldsTheLowestNote() {
    QFETCH(double, rate);
    QFETCH(int, lowestNote);
    QFETCH(int, window);
    QFETCH(int, hop);
    ListeningRules rules;
    rules.lowestNote = lowestNote;
    auto listener = NoteListener::create(rate, rules);
    QVERIFY(listener);
    QCOMPARE(int(listener->detector().windowSize()), window);
    QCOMPARE(int(listener->detector().hopSize()), hop);
    // Two and a half periods of the semitone below the lowest key fit in.
    QVERIFY(double(window) >= 2.5 * rate / keyHz(lowestNote - 1));
}

void TestListener::soundsGiveTheseAnswers_data() {
    QTest::addColumn<std::vector<Stretch>>("sound");
    QTest::addColumn<QString>("answers");
    QTest::newRow("silence") << std::vector<Stretch>{{1000, 60, 60, 0}} << "";
    QTest::newRow("a held A'") << std::vector<Stretch>{{100, 0, 0, 0}, {1500, 69, 69}} << "69";
    QTest::newRow("the low C") << std::vector<Stretch>{{100, 0, 0, 0}, {600, 36, 36}} << "36";
    QTest::newRow("the top C") << std::vector<Stretch>{{100, 0, 0, 0}, {600, 84, 84}} << "84";
    QTest::newRow("too short: 40 ms")
        << std::vector<Stretch>{{100, 0, 0, 0}, {40, 69, 69}, {300, 0, 0, 0}} << "";
    QTest::newRow("45 cents sharp is no key")
        << std::vector<Stretch>{{100, 0, 0, 0}, {600, 69.45, 69.45}} << "";
    QTest::newRow("35 cents flat still counts")
        << std::vector<Stretch>{{100, 0, 0, 0}, {600, 68.65, 68.65}} << "69";
    QTest::newRow("glide up an octave in a second")
        << std::vector<Stretch>{{100, 0, 0, 0}, {1000, 57, 69}} << "";
    QTest::newRow("glide down a fifth in half a second")
        << std::vector<Stretch>{{100, 0, 0, 0}, {500, 67, 60}} << "";
    QTest::newRow("glide, then held: the held key")
        << std::vector<Stretch>{{100, 0, 0, 0}, {500, 60, 67}, {400, 67, 67}} << "67";
    QTest::newRow("two keys legato")
        << std::vector<Stretch>{{100, 0, 0, 0}, {400, 60, 60}, {400, 62, 62}} << "60 62";
    QTest::newRow("its octave above with no onset is the held note's overtone")
        << std::vector<Stretch>{{100, 0, 0, 0}, {300, 60, 60}, {300, 72, 72}} << "60";
    QTest::newRow("its octave below legato is a new note")
        << std::vector<Stretch>{{100, 0, 0, 0}, {300, 72, 72}, {300, 60, 60}} << "72 60";
    QTest::newRow("back to the first key legato")
        << std::vector<Stretch>{{100, 0, 0, 0}, {300, 60, 60}, {300, 64, 64}, {300, 60, 60}}
        << "60 64 60";
    QTest::newRow("the same key after a pause")
        << std::vector<Stretch>{{100, 0, 0, 0}, {300, 60, 60}, {150, 0, 0, 0}, {300, 60, 60}}
        << "60 60";
    QTest::newRow("the same key again out of a short dip")
        << std::vector<Stretch>{{100, 0, 0, 0},
                                {300, 60, 60, 0.3},
                                {40, 60, 60, 0.02},
                                {300, 60, 60, 0.3}}
        << "60 60";
    QTest::newRow("a swell on a held key is no new note")
        << std::vector<Stretch>{{100, 0, 0, 0}, {300, 60, 60, 0.05}, {300, 60, 60, 0.4}} << "60";
    QTest::newRow("the same key a little louder is no new note")
        << std::vector<Stretch>{{100, 0, 0, 0}, {300, 60, 60, 0.2}, {300, 60, 60, 0.3}} << "60";
    QTest::newRow("a vibrato above C' is one note")
        << std::vector<Stretch>{{100, 0, 0, 0}, {800, 72, 72, 0.3, 30}} << "72";
    QTest::newRow("the same key out of a shallow dip is still one note")
        << std::vector<Stretch>{{100, 0, 0, 0},
                                {300, 60, 60, 0.3},
                                {40, 60, 60, 0.1},
                                {300, 60, 60, 0.3}}
        << "60";
    QTest::newRow("a glide that rests a moment on its way")
        << std::vector<Stretch>{{100, 0, 0, 0}, {250, 62, 66}, {80, 66, 66.2}, {250, 66.2, 70}}
        << "";
    QTest::newRow("a short low vowel")
        << std::vector<Stretch>{{100, 0, 0, 0}, {130, 45, 45}} << "45";
    QTest::newRow("a short low vowel out of a hiss is a syllable")
        << std::vector<Stretch>{{100, 0, 0, 0}, {120, 0, 0, 0, 0, 0.05}, {130, 45, 45}} << "";
    QTest::newRow("a low note held on after a hiss")
        << std::vector<Stretch>{{100, 0, 0, 0}, {120, 0, 0, 0, 0, 0.05}, {500, 45, 45}} << "45";
    QTest::newRow("below the lowest key")
        << std::vector<Stretch>{{100, 0, 0, 0}, {600, 33, 33}} << "";
    QTest::newRow("too quiet: -70 dBFS")
        << std::vector<Stretch>{{100, 0, 0, 0}, {600, 69, 69, 0.0003}} << "";
}

void TestListener::soundsGiveTheseAnswers() {
    QFETCH(std::vector<Stretch>, sound);
    QFETCH(QString, answers);
    QCOMPARE(keys(heard(tone(sound))), answers);
}

void TestListener::centsOffAreReported_data() {
    QTest::addColumn<double>("cents");
    QTest::newRow("in tune") << 0.0;
    QTest::newRow("25 sharp") << 25.0;
    QTest::newRow("30 flat") << -30.0;
}

void TestListener::centsOffAreReported() {
    QFETCH(double, cents);
    const auto notes = heard(tone({{100, 0, 0, 0}, {500, 64 + cents / 100, 64 + cents / 100}}));
    QCOMPARE(notes.size(), std::size_t(1));
    QCOMPARE(notes[0].note, 64);
    QVERIFY2(std::abs(notes[0].cents - cents) < 3, qPrintable(QString::number(notes[0].cents)));
}

void TestListener::blockSizeChangesNothing_data() {
    QTest::addColumn<int>("block");
    for (int block : {1, 7, 240, 241, 1000, 48000})
        QTest::addRow("%d samples", block) << block;
}

void TestListener::blockSizeChangesNothing() {
    QFETCH(int, block);
    const auto sound =
        tone({{100, 0, 0, 0}, {300, 60, 60}, {300, 64, 64}, {150, 0, 0, 0}, {300, 64, 64}});
    const auto reference = heard(sound, 480);
    const auto notes = heard(sound, std::size_t(block));
    QCOMPARE(keys(notes), QString("60 64 64"));
    QCOMPARE(notes.size(), reference.size());
    for (std::size_t i = 0; i < notes.size(); ++i) {
        QCOMPARE(notes[i].atSample, reference[i].atSample);
        QCOMPARE(notes[i].cents, reference[i].cents);
    }
}

void TestListener::judgementComesAfterTheHold() {
    // The note starts at 100 ms; the judgement is made once the hold's time
    // of steady pitch was heard, and reported with the count of samples fed
    // by then.
    const auto notes = heard(tone({{100, 0, 0, 0}, {500, 72, 72}}));
    QCOMPARE(notes.size(), std::size_t(1));
    const double afterOnsetMs = (double(notes[0].atSample) - 0.1 * Rate) * 1000.0 / Rate;
    QVERIFY2(afterOnsetMs >= ListeningRules{}.holdMs && afterOnsetMs <= 150,
             qPrintable(QString::number(afterOnsetMs)));
    QCOMPARE(notes[0].atSample % 240, uint64_t(0)); // at the end of a hop
}

void TestListener::brokenSamplesAreSilence() {
    auto sound = tone({{100, 0, 0, 0}, {400, 60, 60}});
    std::vector<float> broken(48000, std::numeric_limits<float>::quiet_NaN());
    broken[10] = std::numeric_limits<float>::infinity();
    broken.insert(broken.end(), sound.begin(), sound.end());
    QCOMPARE(keys(heard(broken)), QString("60"));
    auto listener = NoteListener::create(Rate);
    QVERIFY(listener->listen(nullptr, 100).empty());
}

void TestListener::nonsenseSettingsAreRefused_data() {
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("lowestNote");
    QTest::addColumn<int>("highestNote");
    QTest::addColumn<double>("holdMs");
    QTest::addColumn<bool>("made");
    QTest::newRow("the usual") << 48000.0 << 36 << 96 << 60.0 << true;
    QTest::newRow("rate 0") << 0.0 << 36 << 96 << 60.0 << false;
    QTest::newRow("rate not a number")
        << std::numeric_limits<double>::quiet_NaN() << 36 << 96 << 60.0 << false;
    QTest::newRow("rate 1 MHz") << 1e6 << 36 << 96 << 60.0 << false;
    QTest::newRow("lowest above highest") << 48000.0 << 80 << 60 << 60.0 << false;
    QTest::newRow("note 200") << 48000.0 << 36 << 200 << 60.0 << false;
    QTest::newRow("no hold") << 48000.0 << 36 << 96 << 0.0 << false;
    QTest::newRow("below what a window can hold") << 48000.0 << 5 << 96 << 60.0 << false;
}

void TestListener::nonsenseSettingsAreRefused() {
    QFETCH(double, rate);
    QFETCH(int, lowestNote);
    QFETCH(int, highestNote);
    QFETCH(double, holdMs);
    QFETCH(bool, made);
    ListeningRules rules;
    rules.lowestNote = lowestNote;
    rules.highestNote = highestNote;
    rules.holdMs = holdMs;
    QCOMPARE(bool(NoteListener::create(rate, rules)), made);
}

QTEST_APPLESS_MAIN(TestListener)
#include "tst_listener.moc"
