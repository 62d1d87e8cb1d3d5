// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI devices for real, through a JACK server of the test's own (dummy
// driver, no sound card) and a test instrument made with JACK itself.
#include <QtTest>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <set>
#include <thread>
#include <jack/jack.h>
#include <unistd.h>

#include "jackserver.h"
#include "jacktestclient.h"
#include "mididevices.h"
#include "portnames.h"
#include "systemmidi.h"

namespace {
using Message = JackTestClient::Message;

int findDevice(MidiPlatform& platform, bool output, const std::string& name) {
    const unsigned count = output ? platform.outCount() : platform.inCount();
    for (unsigned i = 0; i < count; ++i) {
        std::string shown;
        if ((output ? platform.outName(i, shown) : platform.inName(i, shown)) && shown == name)
            return int(i);
    }
    return -1;
}

std::vector<std::string> names(MidiPlatform& platform, bool output) {
    std::vector<std::string> result;
    const unsigned count = output ? platform.outCount() : platform.inCount();
    for (unsigned i = 0; i < count; ++i) {
        std::string shown;
        if (output ? platform.outName(i, shown) : platform.inName(i, shown))
            result.push_back(shown);
    }
    return result;
}

// Takes notes from the mailbox as fast as the window's timer never could,
// until `last` comes or the time is up: everything the mailbox let through.
std::vector<int> takeUntil(MidiDevices& midi, int last, int timeoutMs = 3000) {
    std::vector<int> taken;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        const int note = midi.takeNote();
        if (note != NoteInput::NoNote) {
            taken.push_back(note);
            if (note == last)
                break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return taken;
}

// Everything written to the error stream while `run` runs.
template <class Run> std::string stderrOf(Run run) {
    std::fflush(stderr);
    char path[] = "/tmp/qvb-stderr-XXXXXX";
    const int file = ::mkstemp(path);
    const int saved = ::dup(2);
    ::dup2(file, 2);
    run();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::string text;
    char buffer[512];
    ::lseek(file, 0, SEEK_SET);
    for (ssize_t n; (n = ::read(file, buffer, sizeof buffer)) > 0;)
        text.append(buffer, std::size_t(n));
    ::close(file);
    ::unlink(path);
    return text;
}

// Patches a cable between two JACK ports and pulls it again, over and over,
// on a thread of its own until it goes out of scope.
class Patcher {
public:
    Patcher(std::string from, std::string to)
        : m_thread([this, from = std::move(from), to = std::move(to)] {
              jack_status_t status{};
              jack_client_t* patch = jack_client_open("qvbpatch", JackNoStartServer, &status);
              if (!patch)
                  return;
              while (!m_done.load()) {
                  jack_connect(patch, from.c_str(), to.c_str());
                  jack_disconnect(patch, from.c_str(), to.c_str());
              }
              jack_client_close(patch);
          }) {}
    ~Patcher() {
        m_done = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

// A note the filter lets through, sent after the message under test: once it
// is in the mailbox, everything sent before it has been through the callback.
const Message Marker = {0x90, 0x01, 0x40};
} // namespace

class TestJackMidi : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void instrumentIsListedButNotOurOwnPorts();
    void playNoteArrives();
    void silenceArrives();
    void violinChoiceSendsProgramThenPreview();
    void inputFilter_data();
    void inputFilter();
    void twoNotesBeforeATakeJudgeTheLater();
    void stoppedInputDeliversNothing();
    void longPortNamesStayShortAndDistinct();
    void withoutAnyOutputTheInputIsStillOpened();
    void instrumentUnpluggedWhileOpen();
    void closingAsTheKeyboardGoesCrashesNothing();
    void serverDeathCrashesNothing();

private:
    // Opens the devices as the window does, then puts the output on the test
    // instrument and the input on its keyboard side.
    void openOnProbe();

    std::unique_ptr<JackServer> m_server;
    std::unique_ptr<JackTestClient> m_probe;
    std::unique_ptr<SystemMidi> m_platform;
    std::unique_ptr<MidiDevices> m_midi;
};

void TestJackMidi::initTestCase() {
    m_server = std::make_unique<JackServer>();
    QVERIFY2(m_server->running(), "jackd did not start: run scripts/install-deps.sh --tests");
}

void TestJackMidi::init() {
    m_probe = std::make_unique<JackTestClient>();
    QVERIFY(m_probe->ok());
    // No SoundFont: output 0 stays closed and the tests use the instrument only.
    SynthConfig silent;
    silent.soundFont = "/nonexistent/none.sf2";
    silent.soundFontRoot = "";
    m_platform = std::make_unique<SystemMidi>(silent);
    m_midi = std::make_unique<MidiDevices>(*m_platform);
}

void TestJackMidi::cleanup() {
    m_midi.reset();
    m_platform.reset();
    m_probe.reset();
}

void TestJackMidi::cleanupTestCase() {
    m_server.reset();
}

void TestJackMidi::openOnProbe() {
    m_midi->OpenDevices("QVB-Zaradariveda", {}, {});
    const int out = findDevice(*m_platform, true, m_probe->inPortName());
    const int in = findDevice(*m_platform, false, m_probe->outPortName());
    QVERIFY(out > 0);
    QVERIFY(in >= 0);
    m_midi->reopenOutput(out);
    m_midi->reopenInput(in);
    QVERIFY(m_midi->outHandle);
    QVERIFY(m_midi->inputOpen());
    QVERIFY(m_probe->waitRouted());
}

void TestJackMidi::instrumentIsListedButNotOurOwnPorts() {
    openOnProbe();
    const auto outputs = names(*m_platform, true);
    const auto inputs = names(*m_platform, false);
    QCOMPARE(outputs.front(), std::string(SystemMidi::SynthName));
    QCOMPARE(outputs, (std::vector<std::string>{SystemMidi::SynthName, "qvbprobe:in"}));
    // Our own output port is a source in JACK's eyes; it must not be offered as an input.
    QCOMPARE(inputs, std::vector<std::string>{"qvbprobe:out"});
}

void TestJackMidi::playNoteArrives() {
    openOnProbe();
    m_midi->PlayNote(60, 127);
    QCOMPARE(m_probe->receive(1, 3000), std::vector<Message>{Message({0x90, 0x3C, 0x7F})});
}

void TestJackMidi::silenceArrives() {
    openOnProbe();
    m_midi->Silence();
    QCOMPARE(m_probe->receive(1, 3000), std::vector<Message>{Message({0xB0, 0x78, 0x00})});
}

void TestJackMidi::violinChoiceSendsProgramThenPreview() {
    openOnProbe();
    uint8_t program = 0;
    m_midi->chooseInstrument(7, program);
    QCOMPARE(int(program), 40);
    // C0 28 00 as the short message; on the wire a program change has one data
    // byte, or the 00 would select program 0 again.
    const std::vector<Message> expected = {{0xC0, 0x28}, {0x90, 0x45, 0x64}};
    QCOMPARE(m_probe->receive(2, 3000), expected);
}

void TestJackMidi::inputFilter_data() {
    QTest::addColumn<Message>("sent");
    QTest::addColumn<int>("note");
    QTest::newRow("90 3C 64") << Message{0x90, 0x3C, 0x64} << 60;
    QTest::newRow("91 3C 64") << Message{0x91, 0x3C, 0x64} << int(NoteInput::NoNote);
    QTest::newRow("90 3C 00") << Message{0x90, 0x3C, 0x00} << int(NoteInput::NoNote);
    QTest::newRow("80 3C 40") << Message{0x80, 0x3C, 0x40} << int(NoteInput::NoNote);
    QTest::newRow("B0 7B 00") << Message{0xB0, 0x7B, 0x00} << int(NoteInput::NoNote);
    QTest::newRow("F0 7E 7F 06 01 F7, SysEx")
        << Message{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7} << int(NoteInput::NoNote);
    QTest::newRow("F8, clock") << Message{0xF8} << int(NoteInput::NoNote);
    QTest::newRow("9F 3C 64, channel 16") << Message{0x9F, 0x3C, 0x64} << int(NoteInput::NoNote);
    QTest::newRow("90 7F 01") << Message{0x90, 0x7F, 0x01} << 127;
}

void TestJackMidi::inputFilter() {
    QFETCH(Message, sent);
    QFETCH(int, note);
    openOnProbe();
    m_midi->inputReset();
    m_midi->clearMailbox();
    m_midi->inputStart();
    const uint64_t before = m_probe->sentCount();
    m_probe->send({sent});
    if (note != NoteInput::NoNote) {
        // Taken as soon as it is there, before anything could follow it.
        QTRY_VERIFY_WITH_TIMEOUT(m_probe->sentCount() > before, 3000);
        QCOMPARE(takeUntil(*m_midi, note), std::vector<int>{note});
        return;
    }
    // Once our input has surely read it, the mailbox is still empty; a marker
    // sent then is the first and only note taken.
    QVERIFY(m_probe->waitDelivered(before + 1));
    QCOMPARE(m_midi->takeNote(), int(NoteInput::NoNote));
    m_probe->send({Marker});
    QCOMPARE(takeUntil(*m_midi, Marker[1]), std::vector<int>{Marker[1]});
}

void TestJackMidi::twoNotesBeforeATakeJudgeTheLater() {
    openOnProbe();
    m_midi->inputReset();
    m_midi->clearMailbox();
    m_midi->inputStart();
    m_probe->send({{0x90, 0x3C, 0x64}, {0x90, 0x3E, 0x64}}); // in one cycle
    QVERIFY(m_probe->waitDelivered(2));
    QCOMPARE(m_midi->takeNote(), 62);
    QCOMPARE(m_midi->takeNote(), int(NoteInput::NoNote));
}

void TestJackMidi::stoppedInputDeliversNothing() {
    openOnProbe();
    // Open but never started: as between rounds.
    m_probe->send({{0x90, 0x40, 0x64}});
    QVERIFY(m_probe->waitDelivered(1));
    QCOMPARE(m_midi->takeNote(), int(NoteInput::NoNote));

    // Started, then stopped again: the note of a round that has ended.
    m_midi->inputStart();
    m_midi->inputStop();
    m_probe->send({{0x90, 0x41, 0x64}});
    QVERIFY(m_probe->waitDelivered(2));
    // The next round's start does not bring it back either.
    m_midi->inputReset();
    m_midi->clearMailbox();
    m_midi->inputStart();
    m_probe->send({Marker});
    QCOMPARE(takeUntil(*m_midi, Marker[1]), std::vector<int>{Marker[1]});
}

void TestJackMidi::longPortNamesStayShortAndDistinct() {
    const std::string client = "Ein Keyboard mit sehr langem Namen";
    JackTestClient first(client, "MIDI-Ausgang am Anschluss Nummer 1",
                         "MIDI-Eingang am Anschluss Nummer 1");
    JackTestClient second(client, "MIDI-Ausgang am Anschluss Nummer 2",
                          "MIDI-Eingang am Anschluss Nummer 2");
    QVERIFY(first.ok() && second.ok());
    auto outputs = names(*m_platform, true);
    std::set<std::string> distinct(outputs.begin(), outputs.end());
    QCOMPARE(distinct.size(), outputs.size());
    int ours = 0;
    for (const auto& name : outputs) {
        QVERIFY2(utf8Length(name) <= MaxPortNameLength, name.c_str());
        ours += name.find("Nummer") != std::string::npos;
    }
    QCOMPARE(ours, 2);
    // And each shown name opens its own port.
    const int device = findDevice(*m_platform, true, shortPortName(second.inPortName()));
    QVERIFY(device > 0);
    m_midi->reopenOutput(device);
    m_midi->PlayNote(61, 127);
    QCOMPARE(second.receive(1, 3000), std::vector<Message>{Message({0x90, 61, 0x7F})});
    QVERIFY(first.receive(1, 100).empty());
}

void TestJackMidi::withoutAnyOutputTheInputIsStillOpened() {
    std::vector<std::string> shown;
    bool closeRequested = false;
    // The instrument only has a keyboard side here: no output but the synthesizer,
    // and it has no SoundFont.
    m_probe.reset();
    JackTestClient keyboardOnly("qvbkeys", "unbenutzt", "tasten");
    QVERIFY(keyboardOnly.ok());
    m_midi->OpenDevices(
        "QVB-Zaradariveda",
        [&](const std::string& text, const std::string&) { shown.push_back(text); },
        [&] { closeRequested = true; });
    QCOMPARE(shown.size(), std::size_t(1));
    QVERIFY(closeRequested);
    QVERIFY(!m_midi->outHandle);
    QVERIFY(m_midi->inputOpen());
    m_midi->inputStart();
    QVERIFY(keyboardOnly.waitRouted());
    keyboardOnly.send({{0x90, 0x45, 0x64}});
    QCOMPARE(takeUntil(*m_midi, 0x45), std::vector<int>{0x45});
}

void TestJackMidi::instrumentUnpluggedWhileOpen() {
    openOnProbe();
    m_midi->inputStart();
    m_probe.reset(); // the cable is pulled
    for (int i = 0; i < 1000; ++i)
        m_midi->PlayNote(60, 127);
    m_midi->Silence();
    QCOMPARE(m_midi->takeNote(), int(NoteInput::NoNote));
    m_midi->inputStop();
    // The lists no longer offer it, and the old numbers open nothing wrong.
    QCOMPARE(names(*m_platform, true), std::vector<std::string>{SystemMidi::SynthName});
    QVERIFY(names(*m_platform, false).empty());
    m_midi->reopenOutput(1);
    m_midi->reopenInput(0);
    QVERIFY(!m_midi->outHandle);
    QVERIFY(!m_midi->inputOpen());
}

void TestJackMidi::closingAsTheKeyboardGoesCrashesNothing() {
    // Every change of JACK's graph (a keyboard that goes, a cable patched)
    // makes the server tell each client the latencies anew, and each client
    // walks its ports for that on a thread of its own. Opening and closing our
    // input while that goes on, again and again, must never change that walk.
    m_probe.reset();
    JackTestClient keyboard("qvbkeys", "unbenutzt", "tasten");
    JackTestClient other("qvbother", "hoert", "spielt");
    QVERIFY(keyboard.ok() && other.ok());
    Patcher patcher(keyboard.outPortName(), other.inPortName());
    m_midi->OpenDevices("QVB-Zaradariveda", {}, {});
    const int in = findDevice(*m_platform, false, keyboard.outPortName());
    QVERIFY(in >= 0);
    for (int round = 0; round < 60; ++round) {
        m_midi->reopenInput(in);
        QVERIFY(m_midi->inputOpen());
        m_midi->CloseDevices();
    }
}

void TestJackMidi::serverDeathCrashesNothing() {
    cleanup();
    JackServer doomed; // a server of this test alone
    QVERIFY(doomed.running());
    {
        JackTestClient probe;
        QVERIFY(probe.ok());
        SynthConfig silent;
        silent.soundFont = "";
        silent.soundFontRoot = "";
        SystemMidi platform(silent);
        MidiDevices midi(platform);
        midi.OpenDevices("QVB-Zaradariveda", {}, {});
        midi.reopenOutput(findDevice(platform, true, probe.inPortName()));
        midi.reopenInput(findDevice(platform, false, probe.outPortName()));
        QVERIFY(midi.outHandle);
        QVERIFY(midi.inputOpen());
        midi.inputStart();

        doomed.kill();

        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 5000; ++i) // far more than any buffer holds
            midi.PlayNote(60 + i % 12, 127);
        midi.Silence();
        midi.inputStop();
        midi.inputReset();
        QCOMPARE(midi.takeNote(), int(NoteInput::NoNote));
        // Its socket is still there; listing again finds nothing, and quietly.
        unsigned outputs = 0, inputs = 0;
        const std::string noise = stderrOf([&] {
            outputs = platform.outCount();
            inputs = platform.inCount();
        });
        QCOMPARE(outputs, 1u);
        QCOMPARE(inputs, 0u);
        QCOMPARE(noise, std::string());
        midi.CloseDevices();
        QVERIFY2(clock.elapsed() < 5000, "the dead server held the program up");
    }
    // Back to the test case's own server for the tests that follow.
    ::setenv("JACK_DEFAULT_SERVER", m_server->name().c_str(), 1);
}

QTEST_GUILESS_MAIN(TestJackMidi)
#include "tst_jackmidi.moc"
