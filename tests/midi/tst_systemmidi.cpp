// SPDX-License-Identifier: GPL-3.0-or-later
// The system's MIDI devices as the program numbers and names them, and what
// happens when there is nothing to play on.
#include <QtTest>

#include <future>
#include <thread>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "audioenvironment.h"
#include "deferredsynthport.h"
#include "fluidsynthout.h"
#include "mididevices.h"
#include "pendinginport.h"
#include "moduleloader.h"
#include "portnames.h"
#include "systemmidi.h"
#include "systemmidimodule.h"

namespace {
// Everything written to the terminal's error stream while `run` runs.
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

// What the window is told when output 0 cannot be opened: the message, then close.
const std::vector<std::string> FailedAndClosed = {
    "QVB-Zaradariveda: Das benötigte MIDI-Ausgabegerät konnte leider nicht geöffnet "
    "werden.\n                 Das Programm wird nun geschlossen.",
    "close"};

// No JACK server by this name can run, so the tests never meet the user's.
void awayFromJack() {
    const std::string none = "qvbnone" + std::to_string(::getpid());
    ::setenv("JACK_DEFAULT_SERVER", none.c_str(), 1);
}
} // namespace

class TestSystemMidi : public QObject {
    Q_OBJECT
private slots:
    void shortPortNames_data();
    void shortPortNames();
    void equalNamesAreNumbered();
    void nothingToPlayOnClosesTheProgramQuietly();
    void noAudioDriverMeansNoSynthesizer();
    void synthesizerIsAlwaysOutputZero();
    void standInKeepsMessagesUntilOpened_data();
    void standInKeepsMessagesUntilOpened();
    void pendingInputTakesTheLastCall_data();
    void pendingInputTakesTheLastCall();
    void deferredSynthesizerStartsWhenFinished();
    void deferredSynthesizerFailingLateClosesTheProgram();
    void portsModuleMakesTheSystemsMidi_data();
    void portsModuleMakesTheSystemsMidi();
};

void TestSystemMidi::shortPortNames_data() {
    QTest::addColumn<QString>("full");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ALSA repeats the client") << "USB MIDI Interface:USB MIDI Interface MIDI 1 20:0"
                                             << "USB MIDI Interface MIDI 1 20:0";
    QTest::newRow("ALSA short, repeat dropped all the same") << "Keyboard:Keyboard MIDI 1 24:0"
                                                             << "Keyboard MIDI 1 24:0";
    QTest::newRow("ALSA Midi Through") << "Midi Through:Midi Through Port-0 14:0"
                                       << "Midi Through Port-0 14:0";
    QTest::newRow("ALSA long, address kept") << "FLUID Synth (1234):Synth input port (1234:0) 128:0"
                                             << "FLUID Synth (1234):Synth 128:0";
    QTest::newRow("ALSA long port name")
        << "Digitalpiano:Digitalpiano MIDI Anschluss für Kopfhörer 28:0"
        << "Digitalpiano MIDI Anschlus 28:0";
    QTest::newRow("JACK short") << "system:midi_capture_1"
                                << "system:midi_capture_1";
    QTest::newRow("JACK long client, port kept") << "Ein Keyboard mit sehr langem Namen:out"
                                                 << "Ein Keyboard mit sehr lange:out";
    QTest::newRow("JACK umlauts cut whole") << "Mein Gerät mit Ümläuten überall:Größe"
                                            << "Mein Gerät mit Ümläuten ü:Größe";
    QTest::newRow("JACK bridge, the end tells")
        << "a2j:Midi Through [14] (capture): Midi Through Port-0"
        << "(capture): Midi Through Port-0";
}

void TestSystemMidi::shortPortNames() {
    QFETCH(QString, full);
    QFETCH(QString, shown);
    const std::string name = shortPortName(full.toStdString());
    QCOMPARE(QString::fromStdString(name), shown);
    QVERIFY(QString::fromStdString(name).size() <= 31);
}

void TestSystemMidi::equalNamesAreNumbered() {
    std::vector<std::string> names = {
        "Gleich",   "Gleich", "Anders", "Gleich", std::string(31, 'x'), std::string(31, 'x'),
        "Gleich #2"};
    makeNamesDistinct(names);
    const std::vector<std::string> expected = {
        "Gleich",      "Gleich #2",          "Anders",
        "Gleich #3",   std::string(31, 'x'), std::string(28, 'x') + " #2",
        "Gleich #2 #2"};
    QCOMPARE(names, expected);
}

void TestSystemMidi::nothingToPlayOnClosesTheProgramQuietly() {
    if (alsaSequencerPresent())
        QSKIP("this machine has an ALSA sequencer, whose ports would be outputs");
    awayFromJack();
    QTemporaryDir empty;
    SynthConfig none;
    none.soundFont = (empty.path() + "/default-GM.sf2").toStdString();
    none.soundFontRoot = empty.path().toStdString();

    for (bool deferred : {false, true}) {
    SystemMidi platform(none);
    if (deferred)
        platform.deferSynth();
    MidiDevices midi(platform);
    std::vector<std::string> window;
    const std::string noise = stderrOf([&] {
        midi.OpenDevices(
            "QVB-Zaradariveda",
            [&](const std::string& text, const std::string& caption) {
                window.push_back(caption + ": " + text);
            },
            [&] { window.push_back("close"); });
    });
    QCOMPARE(window, FailedAndClosed);
    QVERIFY(!midi.outHandle);
    QVERIFY(!midi.inputOpen());
    QCOMPARE(platform.outCount(), 1u);
    QCOMPARE(platform.inCount(), 0u);
    QCOMPARE(noise, std::string());
    // Sounds asked for later go nowhere.
    midi.PlayNote(60, 127);
    midi.Silence();
    }
}

void TestSystemMidi::noAudioDriverMeansNoSynthesizer() {
    awayFromJack();
    std::unique_ptr<FluidSynthOut> synth;
    const std::string noise = stderrOf([&] { synth = FluidSynthOut::open(SynthConfig{}); });
    if (synth)
        QSKIP("this machine has an audio device");
    // Every driver of the order was tried, and none said a word about it.
    QVERIFY2(noise.empty(), noise.c_str());
}

void TestSystemMidi::synthesizerIsAlwaysOutputZero() {
    awayFromJack();
    SynthConfig toFile;
    QTemporaryDir dir;
    toFile.audio = "file:" + (dir.path() + "/out.wav").toStdString();
    SystemMidi platform(toFile);
    QVERIFY(platform.outCount() >= 1);
    std::string name;
    QVERIFY(platform.outName(0, name));
    QCOMPARE(name, std::string("Eingebauter Synthesizer"));
    QVERIFY(!platform.outName(platform.outCount(), name));
    QVERIFY(!platform.inName(platform.inCount(), name));
    QVERIFY(!platform.openOut(platform.outCount()));
    QVERIFY(!platform.openIn(platform.inCount(), &MidiDevices::MidiInCallback, 0));

    MidiDevices midi(platform);
    bool failed = false;
    midi.OpenDevices("QVB-Zaradariveda",
                     [&](const std::string&, const std::string&) { failed = true; }, {});
    QVERIFY(!failed);
    QVERIFY(dynamic_cast<FluidSynthOut*>(midi.outHandle.get()));
}

namespace {
// Records what reaches it; the stand-in's synthesizer in the tests below.
class RecordingPort final : public MidiOutPort {
public:
    explicit RecordingPort(std::vector<uint32_t>& sink) : m_sink(sink) {}
    void sendShort(uint32_t message) override { m_sink.push_back(message); }

private:
    std::vector<uint32_t>& m_sink;
};

std::vector<uint32_t> numbered(uint32_t from, uint32_t to) {
    std::vector<uint32_t> messages;
    for (uint32_t i = from; i < to; ++i)
        messages.push_back(packShortMessage(0x90, uint8_t(i & 0x7F), uint8_t(1 + (i >> 7) % 127)));
    return messages;
}

SynthConfig playingToFile(const QTemporaryDir& dir, const char* audio = nullptr) {
    SynthConfig config;
    config.audio = audio ? std::string(audio) : "file:" + (dir.path() + "/out.wav").toStdString();
    return config;
}
} // namespace

void TestSystemMidi::standInKeepsMessagesUntilOpened_data() {
    QTest::addColumn<bool>("opens");
    QTest::addColumn<int>("sentBefore");
    QTest::addColumn<int>("keptBefore");
    // Started without waiting (as when it stands in for a lost instrument),
    // one more message sent while it is being made.
    QTest::addColumn<bool>("ownThread");
    QTest::newRow("nothing waiting") << true << 0 << 0 << false;
    QTest::newRow("three waiting, kept in order") << true << 3 << 3 << false;
    QTest::newRow("a flood is cut at the limit") << true << 5000 << int(WaitingMessages::Limit) << false;
    QTest::newRow("cannot open: nothing goes anywhere") << false << 3 << 0 << false;
    QTest::newRow("started without waiting, in order") << true << 3 << 4 << true;
    QTest::newRow("started without waiting, cannot open") << false << 3 << 0 << true;
}

void TestSystemMidi::standInKeepsMessagesUntilOpened() {
    QFETCH(bool, opens);
    QFETCH(int, sentBefore);
    QFETCH(int, keptBefore);
    QFETCH(bool, ownThread);
    std::vector<uint32_t> reached;
    int opened = 0;
    std::thread::id openedOn;
    bool releasedInTime = false;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    DeferredSynthPort port([&]() -> std::unique_ptr<MidiOutPort> {
        ++opened;
        openedOn = std::this_thread::get_id();
        if (ownThread) // the test sends one more message meanwhile
            releasedInTime = released.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        if (!opens)
            return nullptr;
        return std::make_unique<RecordingPort>(reached);
    });
    for (uint32_t message : numbered(0, uint32_t(sentBefore)))
        port.sendShort(message);
    QCOMPARE(opened, 0); // nothing starts before it is asked to
    QVERIFY(reached.empty());

    if (ownThread) {
        port.startOpening(); // returns while the synthesizer is being made
        port.sendShort(numbered(uint32_t(sentBefore), uint32_t(sentBefore) + 1)[0]);
        release.set_value();
    }
    QCOMPARE(port.finishOpening(), opens); // waits for a start under way
    // Made on the synthesizer's thread; started, while this thread went on.
    QVERIFY(openedOn != std::this_thread::get_id());
    QCOMPARE(releasedInTime, ownThread);
    QCOMPARE(reached, numbered(0, uint32_t(keptBefore)));
    port.sendShort(packShortMessage(0xB0, 0x78, 0)); // afterwards, straight through
    QCOMPARE(reached.size(), size_t(keptBefore + (opens ? 1 : 0)));
    QCOMPARE(port.finishOpening(), opens); // asked again: the same answer, no second start
    QCOMPARE(opened, 1);
}

namespace {
// Records the calls that reach it; the pending input's input in the test below.
class RecordingInPort final : public MidiInPort {
public:
    explicit RecordingInPort(std::vector<std::string>& calls) : m_calls(calls) {}
    void reset() override { m_calls.push_back("reset"); }
    void start() override { m_calls.push_back("start"); }
    void stop() override { m_calls.push_back("stop"); }

private:
    std::vector<std::string>& m_calls;
};

void callPort(MidiInPort& port, const QStringList& calls) {
    for (const QString& call : calls) {
        if (call == "reset")
            port.reset();
        else if (call == "start")
            port.start();
        else
            port.stop();
    }
}
} // namespace

void TestSystemMidi::pendingInputTakesTheLastCall_data() {
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QStringList>("before");     // before its opening began
    QTest::addColumn<QStringList>("meanwhile");  // while it opens
    QTest::addColumn<bool>("openedStarted");
    QTest::addColumn<QStringList>("reached");    // by the open input, in order

    QTest::newRow("a round ran: opened started")
        << true << QStringList{"reset", "start"} << QStringList{} << true << QStringList{};
    QTest::newRow("the round ended before")
        << true << QStringList{"start", "stop"} << QStringList{} << false << QStringList{};
    QTest::newRow("a round starts while it opens")
        << true << QStringList{} << QStringList{"reset", "start"} << false << QStringList{"start"};
    QTest::newRow("cannot open") << false << QStringList{"start"} << QStringList{} << true
                                 << QStringList{};
}

void TestSystemMidi::pendingInputTakesTheLastCall() {
    QFETCH(bool, opens);
    QFETCH(QStringList, before);
    QFETCH(QStringList, meanwhile);
    QFETCH(bool, openedStarted);
    QFETCH(QStringList, reached);
    std::vector<std::string> calls;
    std::promise<void> go, opening, done;
    bool started = false;
    DeviceThread thread;
    thread.post([f = go.get_future().share()] { f.wait_for(std::chrono::seconds(10)); });
    {
        PendingInPort port(
            [&](bool startedNow) -> std::unique_ptr<MidiInPort> {
                started = startedNow;
                opening.set_value();
                done.get_future().wait_for(std::chrono::seconds(10));
                return opens ? std::make_unique<RecordingInPort>(calls) : nullptr;
            },
            thread);
        callPort(port, before);
        go.set_value(); // its opening begins
        opening.get_future().wait();
        QVERIFY(port.reachesDevice()); // opening: not yet a lost one
        callPort(port, meanwhile);
        done.set_value();
        std::promise<void> after; // the thread's next task: the opening is over by then
        thread.post([&after] { after.set_value(); });
        after.get_future().wait();
        QCOMPARE(port.reachesDevice(), opens);
    }
    QCOMPARE(started, openedStarted);
    QStringList got;
    for (const std::string& call : calls)
        got << QString::fromStdString(call);
    QCOMPARE(got, reached);
}

void TestSystemMidi::deferredSynthesizerStartsWhenFinished() {
    awayFromJack();
    QTemporaryDir dir;
    const QString wav = dir.path() + "/out.wav";
    SystemMidi platform(playingToFile(dir));
    platform.deferSynth();
    MidiDevices midi(platform);
    bool failed = false;
    midi.OpenDevices("QVB-Zaradariveda", [&](const std::string&, const std::string&) { failed = true; },
                     [&] { failed = true; });
    QVERIFY(!failed);
    QVERIFY(midi.outHandle);
    QVERIFY(!dynamic_cast<FluidSynthOut*>(midi.outHandle.get()));
    QVERIFY2(!QFile::exists(wav), "the synthesizer started before the window was up");
    midi.PlayNote(69, 100);

    midi.finishOpening("QVB-Zaradariveda", [&](const std::string&, const std::string&) { failed = true; },
                       [&] { failed = true; });
    QVERIFY(!failed);
    QVERIFY(QFile::exists(wav)); // its audio runs now

    // Chosen again in the settings, the synthesizer is wanted at once.
    QFile::remove(wav);
    midi.reopenOutput(0);
    QVERIFY(midi.outHandle);
    QVERIFY(QFile::exists(wav));
}

void TestSystemMidi::deferredSynthesizerFailingLateClosesTheProgram() {
    awayFromJack();
    QTemporaryDir dir;
    // A SoundFont is there, so the output seems fine before the window; the
    // audio driver asked for does not exist.
    SystemMidi platform(playingToFile(dir, "nosuchaudiodriver"));
    platform.deferSynth();
    MidiDevices midi(platform);
    std::vector<std::string> window;
    auto message = [&](const std::string& text, const std::string& caption) {
        window.push_back(caption + ": " + text);
    };
    midi.OpenDevices("QVB-Zaradariveda", message, [&] { window.push_back("close"); });
    QVERIFY(window.empty());
    midi.PlayNote(60, 100);
    stderrOf([&] { midi.finishOpening("QVB-Zaradariveda", message, [&] { window.push_back("close"); }); });
    QCOMPARE(window, FailedAndClosed);
    QVERIFY(!midi.outHandle);
    midi.PlayNote(60, 100); // sounds asked for later go nowhere
    midi.finishOpening("QVB-Zaradariveda", message, [&] { window.push_back("close"); });
    QCOMPARE(window.size(), size_t(2)); // said once only
}

void TestSystemMidi::portsModuleMakesTheSystemsMidi_data() {
    QTest::addColumn<bool>("moduleThere");
    QTest::newRow("module beside the program") << true;
    QTest::newRow("module missing") << false;
}

// The program's MIDI comes from the module, output 0 the built-in
// synthesizer waiting for the window; without the module nothing can sound,
// and the window is told so as when the synthesizer's module is missing.
void TestSystemMidi::portsModuleMakesTheSystemsMidi() {
    QFETCH(bool, moduleThere);
    awayFromJack();
    const QByteArray folder = qgetenv(ModuleFolderVariable);
    QVERIFY2(!folder.isEmpty(), "QVB_MODULE_FOLDER must name the build's top folder");
    if (!moduleThere)
        qunsetenv(ModuleFolderVariable); // the test's own folder holds no module
    QTemporaryDir dir;
    const auto opener = [](const SynthConfig&) { return std::unique_ptr<MidiOutPort>(); };
    std::unique_ptr<MidiPlatform> platform = openSystemMidiFromModule(playingToFile(dir), opener);
    qputenv(ModuleFolderVariable, folder);
    QVERIFY(platform);

    MidiDevices midi(*platform);
    std::vector<std::string> window;
    midi.OpenDevices(
        "QVB-Zaradariveda",
        [&](const std::string& text, const std::string& caption) {
            window.push_back(caption + ": " + text);
        },
        [&] { window.push_back("close"); });
    if (!moduleThere) {
        QCOMPARE(platform->outCount(), 0u);
        QCOMPARE(window, FailedAndClosed);
        return;
    }
    std::string name;
    QVERIFY(platform->outName(0, name));
    QCOMPARE(name, std::string("Eingebauter Synthesizer"));
    QCOMPARE(window, std::vector<std::string>{}); // the stand-in waits for the window
    QVERIFY(midi.outHandle);
    midi.finishOpening(
        "QVB-Zaradariveda",
        [&](const std::string& text, const std::string& caption) {
            window.push_back(caption + ": " + text);
        },
        [&] { window.push_back("close"); });
    QCOMPARE(window, FailedAndClosed); // now the opener was asked, and it had nothing
}

QTEST_GUILESS_MAIN(TestSystemMidi)
#include "tst_systemmidi.moc"
