// The system's MIDI devices as the program numbers and names them, and what
// happens when there is nothing to play on.
#include <QtTest>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "audioenvironment.h"
#include "fluidsynthout.h"
#include "mididevices.h"
#include "portnames.h"
#include "systemmidi.h"

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

    SystemMidi platform(none);
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
    const std::vector<std::string> expected = {
        "QVB-Zaradariveda: Das benötigte MIDI-Ausgabegerät konnte leider nicht geöffnet "
        "werden.\n                 Das Programm wird nun geschlossen.",
        "close"};
    QCOMPARE(window, expected);
    QVERIFY(!midi.outHandle);
    QVERIFY(!midi.inputOpen());
    QCOMPARE(platform.outCount(), 1u);
    QCOMPARE(platform.inCount(), 0u);
    QCOMPARE(noise, std::string());
    // Sounds asked for later go nowhere.
    midi.PlayNote(60, 127);
    midi.Silence();
}

void TestSystemMidi::noAudioDriverMeansNoSynthesizer() {
    awayFromJack();
    std::unique_ptr<FluidSynthOut> synth;
    const std::string noise = stderrOf([&] { synth = FluidSynthOut::open(SynthConfig{}); });
    if (synth)
        QSKIP("this machine has an audio device");
    // Every driver of the order was tried, and none said a word about it.
    QCOMPARE(noise, std::string());
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

QTEST_GUILESS_MAIN(TestSystemMidi)
#include "tst_systemmidi.moc"
