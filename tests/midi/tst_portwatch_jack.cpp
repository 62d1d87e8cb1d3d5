// SPDX-License-Identifier: GPL-3.0-or-later
// Instruments that come and go on a JACK server of the test's own: the
// program notices by itself, opens, reopens and stands in with the built-in
// synthesizer, as a pupil's computer needs it.
#include <QtTest>

#include <QElapsedTimer>
#include <QRadioButton>
#include <QTemporaryDir>
#include <memory>

#include "cmidisettings.h"
#include "jackserver.h"
#include "jacktestclient.h"
#include "mididevices.h"
#include "pitchmeter.h"
#include "portwatcher.h"
#include "systemmidi.h"
#include "watchedmidi.h"

namespace {
using Message = JackTestClient::Message;
// Far beyond the fraction of a second it takes, even on a busy machine;
// the time itself is measured by bench/midi_portwatch.
constexpr int SoonMs = 5000;

int indexOfIdentity(MidiPlatform& platform, bool output, const std::string& fullName) {
    const unsigned count = output ? platform.outCount() : platform.inCount();
    for (unsigned k = 0; k < count; ++k) {
        const std::string id = output ? platform.outIdentity(k) : platform.inIdentity(k);
        if (id.size() >= fullName.size() &&
            id.compare(id.size() - fullName.size(), fullName.size(), fullName) == 0)
            return int(k);
    }
    return -1;
}

} // namespace

class TestPortWatchJack : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void lateKeyboardIsOpenedWithinASecond();
    void replugOfBothReconnectsWithinTheRound();
    void outputLostMidRoundSoundsOnTheSynthesizerAndComesBack();
    void settingsShowTheDeviceInUseAndMendALostLink();
    void watchingAloneListsNothing();
    void stoppedWatchingOpensNothing();

private:
    void makeDevices(const SynthConfig& synth);

    std::unique_ptr<JackServer> m_server;
    std::unique_ptr<SystemMidi> m_platform;
    std::unique_ptr<MidiDevices> m_midi;
    std::unique_ptr<PortWatcher> m_watcher;
};

void TestPortWatchJack::initTestCase() {
    m_server = std::make_unique<JackServer>();
    QVERIFY2(m_server->running(), "jackd did not start: run scripts/install-deps.sh");
}

void TestPortWatchJack::cleanup() {
    m_watcher.reset();
    m_midi.reset();
    m_platform.reset();
}

void TestPortWatchJack::makeDevices(const SynthConfig& synth) {
    m_platform = std::make_unique<SystemMidi>(synth);
    m_midi = std::make_unique<MidiDevices>(*m_platform);
    m_midi->OpenDevices("QVB-Zaradariveda", {}, {});
    m_watcher = std::make_unique<PortWatcher>(*m_midi);
    m_watcher->start();
}

void TestPortWatchJack::lateKeyboardIsOpenedWithinASecond() {
    SynthConfig silent;
    silent.soundFont = "/nonexistent/none.sf2";
    silent.soundFontRoot = "";
    makeDevices(silent);
    QVERIFY(!m_midi->inputOpen());

    QElapsedTimer clock;
    clock.start();
    JackTestClient keyboard("latekbd");
    QVERIFY(keyboard.ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_midi->inputWorks(), SoonMs);
    qInfo("late keyboard in use after %lld ms", static_cast<long long>(clock.elapsed()));
    QCOMPARE(m_midi->inDevice, indexOfIdentity(*m_platform, false, keyboard.outPortName()));

    // Not started between rounds: a note played now is never judged, also
    // once it has surely reached the input.
    QVERIFY(keyboard.waitRouted());
    keyboard.send({{0x90, 0x3C, 0x64}});
    QVERIFY(keyboard.waitDelivered(1));
    QCOMPARE(m_midi->takeNote(), int(NoteInput::NoNote));
    m_midi->inputReset();
    m_midi->clearMailbox();
    m_midi->inputStart();
    keyboard.send({{0x90, 0x3E, 0x64}});
    QCOMPARE(takeNoteWithin(*m_midi, 2000), 0x3E);
}

void TestPortWatchJack::replugOfBothReconnectsWithinTheRound() {
    SynthConfig silent;
    silent.soundFont = "/nonexistent/none.sf2";
    silent.soundFontRoot = "";
    auto probe = std::make_unique<JackTestClient>("replug");
    QVERIFY(probe->ok());
    makeDevices(silent);
    m_midi->reopenOutput(indexOfIdentity(*m_platform, true, probe->inPortName()));
    m_midi->reopenInput(indexOfIdentity(*m_platform, false, probe->outPortName()));
    QVERIFY(m_midi->outputWorks() && m_midi->inputWorks());
    m_midi->inputReset(); // a round runs
    m_midi->clearMailbox();
    m_midi->inputStart();
    probe->send({{0x90, 0x40, 0x64}});
    QCOMPARE(takeNoteWithin(*m_midi, 2000), 0x40);

    probe.reset(); // unplugged
    QTRY_VERIFY_WITH_TIMEOUT(!m_midi->lostInIdentity.empty(), SoonMs);
    QTRY_VERIFY_WITH_TIMEOUT(!m_midi->lostOutIdentity.empty(), SoonMs);
    QCOMPARE(m_midi->outDevice, 0); // the synthesizer (silent here) stands in

    QElapsedTimer clock;
    clock.start();
    probe = std::make_unique<JackTestClient>("replug"); // plugged in again
    QVERIFY(probe->ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_midi->inputWorks() && m_midi->outputWorks() &&
                                 m_midi->outDevice > 0,
                             SoonMs);
    qInfo("replugged instrument in use after %lld ms", static_cast<long long>(clock.elapsed()));
    QCOMPARE(m_midi->outDevice, indexOfIdentity(*m_platform, true, probe->inPortName()));

    // Back on the instrument with no program change; the round's input answers.
    m_midi->PlayNote(0x45, 0x7F);
    const auto got = probe->receive(1, 2000);
    QCOMPARE(got.size(), std::size_t(1));
    QCOMPARE(got[0], (Message{0x90, 0x45, 0x7F}));
    QVERIFY(probe->waitRouted()); // the input connects on a thread of its own
    probe->send({{0x90, 0x41, 0x64}});
    QCOMPARE(takeNoteWithin(*m_midi, 2000), 0x41);
    QCOMPARE(takeNoteWithin(*m_midi, 100), int(NoteInput::NoNote)); // judged once
}

void TestPortWatchJack::outputLostMidRoundSoundsOnTheSynthesizerAndComesBack() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString wav = dir.path() + "/synth.wav";
    SynthConfig synth;
    synth.audio = "file:" + wav.toStdString();
    auto probe = std::make_unique<JackTestClient>("extsynth");
    QVERIFY(probe->ok());
    makeDevices(synth);
    m_midi->reopenOutput(indexOfIdentity(*m_platform, true, probe->inPortName()));
    QVERIFY(m_midi->outputWorks());
    uint8_t program = 0;
    m_midi->chooseInstrument(7, program); // "Violine"
    QCOMPARE(probe->receive(2, 2000).size(), std::size_t(2));

    probe.reset();
    QTRY_COMPARE_WITH_TIMEOUT(m_midi->outDevice, 0, SoonMs);
    QVERIFY(m_midi->outputWorks());
    m_midi->PlayNote(69, 127); // the round's next note, on the synthesizer
    QTest::qWait(800);

    probe = std::make_unique<JackTestClient>("extsynth");
    QVERIFY(probe->ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_midi->outDevice > 0, SoonMs);
    m_midi->Silence();
    const auto got = probe->receive(1, 2000);
    QCOMPARE(got.size(), std::size_t(1)); // no program change came first
    QCOMPARE(got[0], (Message{0xB0, 0x78, 0x00}));

    // The synthesizer is closed again, its file complete: the a' sounded.
    QFile file(wav);
    QVERIFY(file.open(QIODevice::ReadOnly));
    double rate = 0;
    const auto left = wavFirstChannel(file.readAll().toStdString(), rate);
    QVERIFY2(left.size() > std::size_t(rate * 0.5), "the synthesizer played too little");
    // Past the SoundFont's reading and the violin's attack.
    const std::vector<float> tone(left.begin() + std::ptrdiff_t(rate * 0.2),
                                  left.begin() + std::ptrdiff_t(rate * 0.5));
    QVERIFY(rms(tone, 0, tone.size()) > 0.01);
    QVERIFY2(std::abs(fundamentalHz(tone, rate) - 440.0) < 8.0,
             qPrintable(QString::number(fundamentalHz(tone, rate))));
}

void TestPortWatchJack::settingsShowTheDeviceInUseAndMendALostLink() {
    SynthConfig silent;
    silent.soundFont = "/nonexistent/none.sf2";
    silent.soundFontRoot = "";
    auto probe = std::make_unique<JackTestClient>("mendkbd");
    QVERIFY(probe->ok());
    makeDevices(silent);
    m_midi->reopenInput(indexOfIdentity(*m_platform, false, probe->outPortName()));
    probe.reset();
    JackTestClient early("aaearly"); // listed before it from now on
    probe = std::make_unique<JackTestClient>("mendkbd");
    QVERIFY(probe->ok());
    // The window's thread has not yet had the news: the pupil opens the
    // settings first and finds the link lost.

    CMidiSettings dialog;
    dialog.setDevices(m_midi.get());
    dialog.show();
    const int row = indexOfIdentity(*m_platform, false, probe->outPortName());
    QVERIFY(row >= 0);
    auto* button = dialog.findChild<QRadioButton*>(QString("ctl%1").arg(CMidiSettings::InIdBase + row));
    QVERIFY(button);
    QVERIFY(button->isChecked()); // its number in the list shown now
    QCOMPARE(m_midi->inDevice, row);
    QVERIFY(!m_midi->inputWorks());
    button->click();
    dialog.accept();
    QVERIFY(m_midi->inputWorks());
    m_midi->inputStart();
    probe->send({{0x90, 0x30, 0x64}});
    QCOMPARE(takeNoteWithin(*m_midi, 2000), 0x30);
}

void TestPortWatchJack::watchingAloneListsNothing() {
    // The watch's own JACK client has no ports: nothing new to list, and the
    // keeper does not look at the ports while nothing comes or goes.
    SynthConfig silent;
    silent.soundFont = "/nonexistent/none.sf2";
    silent.soundFontRoot = "";
    makeDevices(silent);
    QTest::qWait(300);
    const int listings = m_watcher->listings();
    QTest::qWait(1500);
    QCOMPARE(m_watcher->listings(), listings);
    QVERIFY(!m_midi->inputOpen());
}

void TestPortWatchJack::stoppedWatchingOpensNothing() {
    // The window going away: a keyboard switched on then is left alone.
    SynthConfig silent;
    silent.soundFont = "/nonexistent/none.sf2";
    silent.soundFontRoot = "";
    makeDevices(silent);
    m_watcher->stop();
    JackTestClient keyboard("afterstop");
    QVERIFY(keyboard.ok());
    QTest::qWait(1500);
    QVERIFY(!m_midi->inputOpen());
    m_watcher->start(); // and watching again takes it up as new
    JackTestClient second("afterrestart");
    QTRY_VERIFY_WITH_TIMEOUT(m_midi->inputWorks(), SoonMs);
}

QTEST_MAIN(TestPortWatchJack)
#include "tst_portwatch_jack.moc"
