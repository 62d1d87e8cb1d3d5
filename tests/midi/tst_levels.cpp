// SPDX-License-Identifier: GPL-3.0-or-later
// The instruments of the combobox, levelled: the loudness meter against its
// reference figures, the gains worked out of measurements, and the 18
// instruments as the built-in synthesizer plays them, rendered offline with
// the default SoundFont and with a compressed (.sf3) one of another maker.
#include <QtTest>

#include <cmath>
#include <map>
#include <memory>

#include "fluidsynthout.h"
#include "instruments.h"
#include "loudnessmeter.h"
#include "midiplatform.h"
#include "notelevels.h"
#include "programlevels.h"
#include "soundfontsearch.h"

namespace {
const char* const MuseScoreSounds = "/usr/share/sounds/sf3/MuseScore_General_Lite.sf3";

double db(double linear) {
    return 20.0 * std::log10(linear);
}

// One offline synthesizer per SoundFont for the whole run: reading and
// measuring a SoundFont is the slow part.
std::map<QString, std::unique_ptr<FluidSynthOut>> openSynths;

FluidSynthOut* synthFor(const QString& soundFont) {
    auto& synth = openSynths[soundFont];
    if (!synth) {
        SynthConfig config;
        config.soundFont = soundFont.toStdString();
        config.soundFontRoot.clear(); // this SoundFont or none
        synth = FluidSynthOut::openOffline(config);
    }
    return synth.get();
}

SoundingSynth sounding(FluidSynthOut& synth) {
    SoundingSynth s;
    s.send = [&synth](uint32_t m) { synth.sendShort(m); };
    s.render = [&synth](float* l, float* r, int n) { return synth.render(l, r, n); };
    s.sampleRate = synth.sampleRate();
    return s;
}

void addSoundFontColumn() {
    QTest::addColumn<QString>("soundFont");
}
const std::pair<const char*, const char*> SoundFonts[] = {
    {"default", "/usr/share/sounds/sf2/default-GM.sf2"},
    {"sf3", MuseScoreSounds},
};

std::vector<float> sine(double hz, double amplitude, double seconds, double rate) {
    std::vector<float> x(std::size_t(seconds * rate));
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = float(amplitude * std::sin(2 * M_PI * hz * double(i) / rate));
    return x;
}

ProgramLevels::Measured measured(double loudness, double medianPeak, double spread = 4) {
    return {loudness, medianPeak, medianPeak - spread, medianPeak + spread / 2};
}
} // namespace

class TestLevels : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { openSynths.clear(); }
    void kFilterHasThePublishedCoefficients();
    void loudnessOfReferenceTones_data();
    void loudnessOfReferenceTones();
    void gainsFromMeasurements();
    void instrumentIsLevelled_data();
    void instrumentIsLevelled();
    void instrumentsAreEquallyLoud_data();
    void instrumentsAreEquallyLoud();
    void notesSoundingTogetherDoNotClip_data();
    void notesSoundingTogetherDoNotClip();
    void previewStaysSofter();
    void unreadableSoundFontMeasuresNothing();
};

void TestLevels::initTestCase() {
    for (const auto& [name, path] : SoundFonts)
        QVERIFY2(looksLikeSoundFont(path),
                 qPrintable(QString("%1 is missing: run scripts/install-deps.sh").arg(path)));
}

void TestLevels::kFilterHasThePublishedCoefficients() {
    const LoudnessMeter::Biquad s = LoudnessMeter::shelfStage(48000);
    const LoudnessMeter::Biquad h = LoudnessMeter::highPassStage(48000);
    const double expected[] = {1.53512485958697, -2.69169618940638, 1.19839281085285,
                               -1.69065929318241, 0.73248077421585,  -1.99004745483398,
                               0.99007225036621};
    const double got[] = {s.b0, s.b1, s.b2, s.a1, s.a2, h.a1, h.a2};
    for (int i = 0; i < 7; ++i)
        QVERIFY2(std::abs(got[i] - expected[i]) < 1e-9, qPrintable(QString::number(i)));
}

void TestLevels::loudnessOfReferenceTones_data() {
    QTest::addColumn<double>("hz");
    QTest::addColumn<double>("amplitudeDb");
    QTest::addColumn<bool>("bothChannels");
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("lufs");
    // The broadcasters' calibration tone: 1 kHz at -23 dBFS on both channels is -23 LUFS.
    QTest::newRow("1 kHz, -23 dBFS, stereo") << 1000.0 << -23.0 << true << 48000.0 << -23.0;
    QTest::newRow("1 kHz, -23 dBFS, stereo, 44.1 kHz") << 1000.0 << -23.0 << true << 44100.0 << -23.0;
    // One channel of a full-scale sine: half the power.
    QTest::newRow("997 Hz, 0 dBFS, one channel") << 997.0 << 0.0 << false << 48000.0 << -3.01;
    // The high pass: a deep hum counts for much less than it measures.
    QTest::newRow("25 Hz, -23 dBFS") << 25.0 << -23.0 << true << 48000.0 << -28.3;
    // The head's shelf: high tones count for more.
    QTest::newRow("8 kHz, -23 dBFS") << 8000.0 << -23.0 << true << 48000.0 << -19.0;
}

void TestLevels::loudnessOfReferenceTones() {
    QFETCH(double, hz);
    QFETCH(double, amplitudeDb);
    QFETCH(bool, bothChannels);
    QFETCH(double, rate);
    QFETCH(double, lufs);
    const double amplitude = std::pow(10.0, amplitudeDb / 20.0);
    const std::vector<float> tone = sine(hz, amplitude, 3.0, rate);
    const std::vector<float> silence(tone.size(), 0.0f);
    LoudnessMeter meter(rate);
    meter.add(tone.data(), bothChannels ? tone.data() : silence.data(), tone.size());
    QVERIFY2(std::abs(meter.loudnessLufs() - lufs) < 0.15,
             qPrintable(QString("%1 LUFS").arg(meter.loudnessLufs())));
    QVERIFY(std::abs(meter.peakDbfs() - amplitudeDb) < 0.01);

    LoudnessMeter quiet(rate);
    quiet.add(silence.data(), silence.data(), silence.size());
    QVERIFY(std::isinf(quiet.loudnessLufs()) && quiet.loudnessLufs() < 0);
    QVERIFY(std::isinf(LoudnessMeter(rate).peakDbfs()));
}

void TestLevels::gainsFromMeasurements() {
    // All programs alike except three: much louder, silent, and one whose
    // notes reach far above its median.
    ProgramLevels::Table table;
    table.fill(measured(-30, -24));
    table[1] = measured(-20, -14);                          // Cembalo: 10 dB louder
    table[2] = measured(-INFINITY, -INFINITY, 0);           // Glockenspiel: no sound
    table[3] = {-30, -24, -28, -16};                        // Orgel: a note 8 dB over its median
    const ProgramLevels levels = ProgramLevels::fromMeasurements(table);
    QVERIFY(levels.isMeasured());
    const double typical = db(levels.gain(0));
    // Median peak -24 to -6: 18 dB.
    QVERIFY(std::abs(typical - 18.0) < 1e-4);
    QVERIFY(std::abs(db(levels.gain(6)) - 8.0) < 1e-4);
    // Silent, and outside the table: the median.
    QCOMPARE(levels.gain(9), levels.gain(0));
    QCOMPARE(levels.gain(1), levels.gain(0));
    QCOMPARE(levels.gain(127), levels.gain(0));
    // Its loudest note no higher than the ceiling.
    QVERIFY(std::abs(db(levels.gain(16)) - (ProgramLevels::CeilingDb + 16)) < 1e-4);

    ProgramLevels::Table silent;
    silent.fill(measured(-INFINITY, -INFINITY, 0));
    QVERIFY(!ProgramLevels::fromMeasurements(silent).isMeasured());
    QCOMPARE(ProgramLevels::fromMeasurements(silent).gain(0), ProgramLevels::UnmeasuredGain);
}

void TestLevels::instrumentIsLevelled_data() {
    addSoundFontColumn();
    QTest::addColumn<int>("program");
    for (const auto& [name, path] : SoundFonts) {
        for (const Instrument& instrument : Instruments)
            QTest::addRow("%s, %s", name, instrument.name) << QString(path) << int(instrument.program);
    }
}

// Every note the lower staff can sound, C to C''' at velocity 127.
void TestLevels::instrumentIsLevelled() {
    QFETCH(QString, soundFont);
    QFETCH(int, program);
    FluidSynthOut* synth = synthFor(soundFont);
    QVERIFY(synth);
    QVERIFY(synth->levels().isMeasured());
    SoundingSynth s = sounding(*synth);
    const InstrumentLevel level = measureInstrument(s, program);
    const QString figures = QString("peaks %1 / %2 / %3 dBFS")
                                .arg(level.minPeakDb, 0, 'f', 1)
                                .arg(level.medianPeakDb, 0, 'f', 1)
                                .arg(level.maxPeakDb, 0, 'f', 1);
    QVERIFY2(level.maxPeakDb <= -1.0, qPrintable(figures));
    QVERIFY2(level.minPeakDb >= -12.0, qPrintable(figures));
    QVERIFY2(std::abs(level.medianPeakDb + 6.0) <= 2.5, qPrintable(figures));
}

void TestLevels::instrumentsAreEquallyLoud_data() {
    addSoundFontColumn();
    for (const auto& [name, path] : SoundFonts)
        QTest::newRow(name) << QString(path);
}

void TestLevels::instrumentsAreEquallyLoud() {
    QFETCH(QString, soundFont);
    FluidSynthOut* synth = synthFor(soundFont);
    QVERIFY(synth);
    SoundingSynth s = sounding(*synth);
    double quietest = INFINITY, loudest = -INFINITY;
    for (const Instrument& instrument : Instruments) {
        double loudness = 0;
        for (int note : {48, 60, 72})
            loudness += measureNote(s, instrument.program, note).loudness / 3;
        quietest = std::min(quietest, loudness);
        loudest = std::max(loudest, loudness);
    }
    QVERIFY2(loudest - quietest <= 3.0,
             qPrintable(QString("%1 .. %2 LUFS").arg(quietest).arg(loudest)));
}

void TestLevels::notesSoundingTogetherDoNotClip_data() {
    addSoundFontColumn();
    QTest::addColumn<int>("program");
    QTest::addColumn<QList<int>>("notes");
    QTest::addColumn<int>("gapMs");
    for (const auto& [name, path] : SoundFonts) {
        for (const Instrument& instrument : Instruments) {
            // A wrong click, the right note 500 ms later, over it.
            QTest::addRow("%s, %s, wrong click C'' then C'''", name, instrument.name)
                << QString(path) << int(instrument.program) << QList<int>{72, 84} << 500;
            QTest::addRow("%s, %s, wrong click H' then C''", name, instrument.name)
                << QString(path) << int(instrument.program) << QList<int>{71, 72} << 500;
            QTest::addRow("%s, %s, wrong click C then G", name, instrument.name)
                << QString(path) << int(instrument.program) << QList<int>{48, 55} << 500;
            // "Ton wiederholen" again and again.
            QTest::addRow("%s, %s, repeated A'", name, instrument.name)
                << QString(path) << int(instrument.program) << QList<int>{69, 69, 69, 69, 69} << 250;
        }
    }
}

void TestLevels::notesSoundingTogetherDoNotClip() {
    QFETCH(QString, soundFont);
    QFETCH(int, program);
    QFETCH(QList<int>, notes);
    QFETCH(int, gapMs);
    FluidSynthOut* synth = synthFor(soundFont);
    QVERIFY(synth);
    SoundingSynth s = sounding(*synth);
    std::vector<uint32_t> messages{packShortMessage(0xC0, uint8_t(program), 0)};
    std::vector<int> gaps{0};
    for (int note : notes) {
        messages.push_back(packShortMessage(0x90, uint8_t(note), 127));
        gaps.push_back(gaps.size() == 1 ? 0 : gapMs);
    }
    const NoteLevel level = measureSequence(s, messages, gaps, 1500);
    QVERIFY2(level.peakDb <= -0.5, qPrintable(QString("peak %1 dBFS").arg(level.peakDb)));
}

void TestLevels::previewStaysSofter() {
    FluidSynthOut* synth = synthFor(SoundFonts[0].second);
    QVERIFY(synth);
    SoundingSynth s = sounding(*synth);
    for (const Instrument& instrument : {Instruments[0], Instruments[7]}) {
        const auto preview = measureSequence(s,
                                             {packShortMessage(0xC0, instrument.program, 0),
                                              packShortMessage(0x90, 69, 100)},
                                             {}, 400);
        const auto played = measureNote(s, instrument.program, 69);
        QVERIFY2(preview.loudness < played.loudness - 1.0, instrument.name);
    }
}

void TestLevels::unreadableSoundFontMeasuresNothing() {
    QTemporaryDir dir;
    QFile junk(dir.filePath("junk.sf2"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray("RIFF\x10\x00\x00\x00sfbkLIST", 16));
    junk.close();
    for (const QString& path : {junk.fileName(), dir.filePath("missing.sf2")}) {
        const ProgramLevels levels = ProgramLevels::measure(path.toStdString(), 48000);
        QVERIFY(!levels.isMeasured());
        QCOMPARE(levels.gain(0), ProgramLevels::UnmeasuredGain);
    }
    std::atomic<bool> cancel{true};
    QVERIFY(!ProgramLevels::measure(SoundFonts[0].second, 48000, &cancel).isMeasured());
}

QTEST_GUILESS_MAIN(TestLevels)
#include "tst_levels.moc"
