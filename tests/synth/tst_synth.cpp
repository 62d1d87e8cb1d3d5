// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in synthesizer for real: rendered without an audio device, with
// the distribution's General MIDI SoundFont.
#include <QtTest>

#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "fluidsynthout.h"
#include "midioutport.h"
#include "pitchmeter.h"
#include "soundfontsearch.h"

namespace {
const SynthConfig DefaultSounds{};

// Renders `seconds` of sound (left channel) after what has been sent so far.
std::vector<float> renderSeconds(FluidSynthOut& synth, double seconds) {
    const int frames = int(seconds * synth.sampleRate());
    std::vector<float> left(static_cast<std::size_t>(frames));
    std::vector<float> right(left.size());
    if (!synth.render(left.data(), right.data(), frames))
        return {};
    return left;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Fills `root` as the layout names it and returns the configuration that
// looks there: the default SoundFont is root/default.sf2.
SynthConfig soundFontLayout(const QString& root, const QString& layout) {
    const QString real = QString::fromStdString(DefaultSounds.soundFont);
    SynthConfig config;
    config.soundFont = (root + "/default.sf2").toStdString();
    config.soundFontRoot = root.toStdString();
    if (layout == "default") {
        QFile::link(real, root + "/default.sf2");
    } else if (layout == "junk") {
        writeFile(root + "/default.sf2", QByteArray("RIFF\x10\x00\x00\x00sfbkLIST", 16));
        writeFile(root + "/other.sf3", QByteArray(4096, 'x'));
    } else if (layout == "fifo") {
        ::mkfifo((root + "/default.sf2").toLocal8Bit().constData(), 0600);
        ::mkfifo((root + "/pipe.sf2").toLocal8Bit().constData(), 0600);
    } else if (layout == "fallback") {
        writeFile(root + "/default.sf2", QByteArray("not a SoundFont"));
        QDir(root).mkpath("deep/er");
        writeFile(root + "/deep/readme.txt", QByteArray("text"));
        QFile::link(real, root + "/deep/er/Good.SF2");
    } else if (layout == "folder") {
        QDir(root).mkpath("default.sf2");
        QDir(root).mkpath("sounds");
        QFile::link(real, root + "/sounds/gm.sf2");
    }
    return config;
}

// The left channel of a 16-bit stereo WAV as the file driver writes it.
std::vector<float> wavLeft(const QByteArray& bytes) {
    std::vector<float> left;
    const auto* samples = reinterpret_cast<const int16_t*>(bytes.constData() + 44);
    for (qsizetype i = 0; i + 1 < (bytes.size() - 44) / 2; i += 2)
        left.push_back(samples[i] / 32768.0f);
    return left;
}
} // namespace

class TestSynth : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void programAndNoteSoundAtTheirPitch_data();
    void programAndNoteSoundAtTheirPitch();
    void allSoundOffSilencesWithinFiftyMs();
    void bufferLatencyIsAtMostTwelveMs();
    void soundFontSearch_data();
    void soundFontSearch();
    void openWithAudioReadsTheSoundFontAfterwards_data();
    void openWithAudioReadsTheSoundFontAfterwards();
    void soundFontsUnderAFolder();
    void fileAudioWritesAWavAtThePaceOfRealTime();
    void unknownAudioDriverOpensNothing();
};

void TestSynth::initTestCase() {
    QVERIFY2(isRegularFile(DefaultSounds.soundFont),
             "the General MIDI SoundFont is missing: run scripts/install-deps.sh");
}

void TestSynth::programAndNoteSoundAtTheirPitch_data() {
    QTest::addColumn<int>("program");
    QTest::addColumn<int>("note");
    QTest::addColumn<double>("hertz");
    QTest::newRow("Violine, a'") << 40 << 69 << 440.0;
    QTest::newRow("Klavier, c'") << 0 << 60 << 261.626;
    QTest::newRow("Querflöte, c''") << 73 << 72 << 523.251;
    QTest::newRow("Fagott, C") << 70 << 36 << 65.406;
}

void TestSynth::programAndNoteSoundAtTheirPitch() {
    QFETCH(int, program);
    QFETCH(int, note);
    QFETCH(double, hertz);
    auto synth = FluidSynthOut::openOffline(DefaultSounds);
    QVERIFY(synth);
    synth->sendShort(packShortMessage(0xC0, uint8_t(program), 0));
    synth->sendShort(packShortMessage(0x90, uint8_t(note), 127));
    const auto sound = renderSeconds(*synth, 0.6);
    QVERIFY(!sound.empty());
    // Past the attack, a steady stretch of the tone.
    const std::size_t from = std::size_t(0.15 * synth->sampleRate());
    const std::vector<float> steady(sound.begin() + long(from),
                                    sound.begin() +
                                        long(from + std::size_t(0.25 * synth->sampleRate())));
    QVERIFY2(rms(steady, 0, steady.size()) > 1e-3, "the note does not sound");
    const double measured = fundamentalHz(steady, synth->sampleRate());
    QVERIFY2(std::abs(measured - hertz) <= 0.01 * hertz,
             qPrintable(QString("sounds at %1 Hz, expected %2 Hz").arg(measured).arg(hertz)));
}

void TestSynth::allSoundOffSilencesWithinFiftyMs() {
    auto synth = FluidSynthOut::openOffline(DefaultSounds);
    QVERIFY(synth);
    const double rate = synth->sampleRate();
    const auto ms = [rate](double m) { return std::size_t(m * rate / 1000.0); };
    synth->sendShort(packShortMessage(0xC0, 40, 0)); // a violin holds its tone
    synth->sendShort(packShortMessage(0x90, 69, 127));
    const auto before = renderSeconds(*synth, 0.3);
    QVERIFY(rms(before, ms(200), ms(300)) > 1e-3);

    auto control = FluidSynthOut::openOffline(DefaultSounds); // the same without silence
    control->sendShort(packShortMessage(0xC0, 40, 0));
    control->sendShort(packShortMessage(0x90, 69, 127));
    renderSeconds(*control, 0.3);
    const auto stillSounding = renderSeconds(*control, 0.1);
    QVERIFY(peak(stillSounding, ms(50), ms(100)) > 1e-2);

    synth->sendShort(packShortMessage(0xB0, 0x78, 0));
    const auto after = renderSeconds(*synth, 0.1);
    QVERIFY2(peak(after, ms(50), ms(100)) < 1e-4, "still sounding 50 ms after All Sound Off");
}

void TestSynth::bufferLatencyIsAtMostTwelveMs() {
    auto synth = FluidSynthOut::openOffline(DefaultSounds);
    QVERIFY(synth);
    QVERIFY(synth->bufferLatencyMs() > 0);
    QVERIFY(synth->bufferLatencyMs() <= 12.0);
}

// Folder layouts, whether opening without audio gives a synthesizer, whether
// opening with audio does (it reads the SoundFont afterwards), and the
// SoundFont then in use, relative to the folder (empty: none could be read).
static void addSoundFontLayouts() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("opensOffline");
    QTest::addColumn<bool>("opensWithAudio");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("the default") << "default" << true << true << "default.sf2";
    QTest::newRow("empty folder") << "empty" << false << false << "";
    // The head says SoundFont, the body is junk: with audio it opens and stays silent.
    QTest::newRow("not a SoundFont") << "junk" << false << true << "";
    QTest::newRow("a pipe named like one") << "fifo" << false << false << "";
    QTest::newRow("default broken, a good one further down")
        << "fallback" << true << true << "deep/er/Good.SF2";
    QTest::newRow("default is a folder") << "folder" << true << true << "sounds/gm.sf2";
}

void TestSynth::soundFontSearch_data() {
    addSoundFontLayouts();
}

void TestSynth::soundFontSearch() {
    QFETCH(QString, layout);
    QFETCH(bool, opensOffline);
    QFETCH(QString, chosen);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SynthConfig config = soundFontLayout(dir.path(), layout);
    auto synth = FluidSynthOut::openOffline(config);
    QCOMPARE(bool(synth), opensOffline);
    if (synth)
        QCOMPARE(QString::fromStdString(synth->soundFont()), dir.path() + "/" + chosen);
}

void TestSynth::openWithAudioReadsTheSoundFontAfterwards_data() {
    addSoundFontLayouts();
}

void TestSynth::openWithAudioReadsTheSoundFontAfterwards() {
    QFETCH(QString, layout);
    QFETCH(bool, opensWithAudio);
    QFETCH(QString, chosen);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath("fonts"));
    SynthConfig config = soundFontLayout(dir.path() + "/fonts", layout);
    config.audio = "file:" + (dir.path() + "/out.wav").toStdString();
    auto synth = FluidSynthOut::open(config);
    QCOMPARE(bool(synth), opensWithAudio);
    if (!synth)
        return;
    // Sent while the SoundFont is still being read: kept, never lost.
    synth->sendShort(packShortMessage(0x90, 60, 100));
    const QString expected = chosen.isEmpty() ? QString() : dir.path() + "/fonts/" + chosen;
    QCOMPARE(QString::fromStdString(synth->soundFont()), expected);
}

void TestSynth::soundFontsUnderAFolder() {
    QTemporaryDir dir;
    const QString root = dir.path();
    QVERIFY(QDir(root).mkpath("b/c"));
    for (const char* name : {"b/c/z.sf2", "a.SF3", "b/m.sf2", "b/readme.txt", "b/sound.ogg"})
        writeFile(root + "/" + name, QByteArray("x"));
    std::vector<std::string> expected;
    for (const char* name : {"/a.SF3", "/b/c/z.sf2", "/b/m.sf2"})
        expected.push_back((root + name).toStdString());
    QCOMPARE(soundFontsUnder(root.toStdString()), expected);
    QVERIFY(soundFontsUnder((root + "/missing").toStdString()).empty());
    QVERIFY(soundFontsUnder("").empty());
}

void TestSynth::fileAudioWritesAWavAtThePaceOfRealTime() {
    QTemporaryDir dir;
    const QString wav = dir.path() + "/synth.wav";
    SynthConfig config;
    config.audio = "file:" + wav.toStdString();
    QElapsedTimer clock;
    clock.start();
    {
        auto synth = FluidSynthOut::open(config);
        QVERIFY(synth);
        QCOMPARE(synth->driverName(), config.audio);
        // At once, most likely before the SoundFont is in: they wait, in order.
        synth->sendShort(packShortMessage(0xC0, 40, 0)); // a violin holds its tone
        synth->sendShort(packShortMessage(0x90, 69, 127));
        QTest::qWait(600);
    }
    const double elapsedSeconds = clock.elapsed() / 1000.0;
    QFile file(wav);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.size() > 44);
    QCOMPARE(bytes.left(4), QByteArray("RIFF"));
    QCOMPARE(bytes.mid(8, 4), QByteArray("WAVE"));
    // 16-bit stereo at 48 kHz: never ahead of the clock, and not silent.
    const double seconds = double(bytes.size() - 44) / (48000.0 * 4);
    QVERIFY2(seconds <= elapsedSeconds + 0.02,
             qPrintable(QString("%1 s of sound in %2 s").arg(seconds).arg(elapsedSeconds)));
    QVERIFY(seconds >= 0.1);
    const std::vector<float> left = wavLeft(bytes);
    int loud = 0;
    for (float sample : left)
        loud += std::abs(sample) > 0.01f;
    QVERIFY(loud > 1000);
    // The violin's a' from 0.25 s on, whenever the SoundFont came in before.
    const auto from = left.begin() + long(0.25 * 48000);
    QVERIFY(left.end() - from > long(0.2 * 48000));
    const std::vector<float> steady(from, from + long(0.2 * 48000));
    const double measured = fundamentalHz(steady, 48000);
    QVERIFY2(std::abs(measured - 440.0) <= 4.4, qPrintable(QString("%1 Hz").arg(measured)));
}

void TestSynth::unknownAudioDriverOpensNothing() {
    SynthConfig config;
    config.audio = "kein-solcher-treiber";
    QVERIFY(!FluidSynthOut::open(config));
    config.audio = "file:";
    QVERIFY(!FluidSynthOut::open(config));
}

QTEST_GUILESS_MAIN(TestSynth)
#include "tst_synth.moc"
