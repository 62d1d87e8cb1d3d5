// SPDX-License-Identifier: GPL-3.0-or-later
// The device holder with a recording platform: what it opens, what it sends,
// what the input callback lets into the mailbox.
#include <QtTest>

#include "fakemidi.h"
#include "mididevices.h"

namespace {
const std::string FailureText =
    "Das benötigte MIDI-Ausgabegerät konnte leider nicht geöffnet werden.\n"
    "                 Das Programm wird nun geschlossen.";

// What the window sees of OpenDevices: the message boxes and the close request, in order.
struct WindowLog {
    std::vector<std::string> events;
    MidiDevices::MessageFn message() {
        return [this](const std::string& text, const std::string& caption) {
            events.push_back("message:" + caption + ":" + text);
        };
    }
    MidiDevices::CloseFn close() {
        return [this] { events.push_back("close"); };
    }
};

uint32_t msg(uint8_t status, uint8_t data1, uint8_t data2) {
    return packShortMessage(status, data1, data2);
}
} // namespace

class TestMidiDevices : public QObject {
    Q_OBJECT
private slots:
    void openDevices_data();
    void openDevices();
    void failureTextHasSeventeenBlanksAfterTheBreak();
    void nothingIsSentWithoutAnOutput();
    void messagesArePackedStatusFirst_data();
    void messagesArePackedStatusFirst();
    void instrumentChoice_data();
    void instrumentChoice();
    void callbackAcceptsOnlySoundingNoteOnsOfChannelOne_data();
    void callbackAcceptsOnlySoundingNoteOnsOfChannelOne();
    void laterNoteReplacesAnUntakenOne();
    void roundStartForgetsANoteFromBefore();
    void inputCallsReachTheOpenInputOnly();
    void reopenOutputSwitchesWithoutProgramChange();
    void reopenOutputToAFailingDeviceLeavesNoOutput();
    void reopenInputOpensStoppedAndClosesTheOld();
    void closeDevicesClosesBoth();
};

void TestMidiDevices::openDevices_data() {
    QTest::addColumn<int>("outputs");
    QTest::addColumn<bool>("outputFails");
    QTest::addColumn<int>("inputs");
    QTest::addColumn<bool>("inputFails");
    QTest::addColumn<bool>("failureShown");
    QTest::addColumn<bool>("inputOpen");

    QTest::newRow("synthesizer and keyboard") << 2 << false << 1 << false << false << true;
    QTest::newRow("no output device at all") << 0 << false << 1 << false << true << true;
    QTest::newRow("output cannot be opened") << 1 << true << 2 << false << true << true;
    QTest::newRow("no input device") << 1 << false << 0 << false << false << false;
    QTest::newRow("input cannot be opened") << 1 << false << 1 << true << false << false;
    QTest::newRow("nothing at all") << 0 << false << 0 << false << true << false;
}

void TestMidiDevices::openDevices() {
    QFETCH(int, outputs);
    QFETCH(bool, outputFails);
    QFETCH(int, inputs);
    QFETCH(bool, inputFails);
    QFETCH(bool, failureShown);
    QFETCH(bool, inputOpen);

    FakeMidi platform;
    for (int i = 0; i < outputs; ++i)
        platform.outputs.push_back("Ausgang " + std::to_string(i));
    for (int i = 0; i < inputs; ++i)
        platform.inputs.push_back("Eingang " + std::to_string(i));
    if (outputFails)
        platform.failingOutputs.insert(0);
    if (inputFails)
        platform.failingInputs.insert(0);

    MidiDevices midi(platform);
    WindowLog window;
    midi.OpenDevices("QVB-Zaradariveda", window.message(), window.close());

    if (failureShown) {
        const std::vector<std::string> expected = {"message:QVB-Zaradariveda:" + FailureText,
                                                   "close"};
        QCOMPARE(window.events, expected);
        QVERIFY(!midi.outHandle);
        QVERIFY(platform.sent.empty());
    } else {
        QVERIFY(window.events.empty());
        QVERIFY(midi.outHandle);
        // The first output device, and program 0 at once.
        QCOMPARE(platform.sent.size(), std::size_t(1));
        QCOMPARE(platform.sent[0].device, 0u);
        QCOMPARE(platform.sent[0].message, msg(0xC0, 0, 0));
    }
    // The input side is tried whatever became of the output.
    QCOMPARE(platform.inCountCalls, 1);
    QCOMPARE(midi.inputOpen(), inputOpen);
    QCOMPARE(platform.inputOpen(), inputOpen);
    if (inputOpen) {
        QCOMPARE(platform.openInputDevice(), 0);
        QVERIFY(!platform.inputStarted()); // rounds start it
    }
    QCOMPARE(midi.outDevice, 0);
    QCOMPARE(midi.inDevice, 0);
}

void TestMidiDevices::failureTextHasSeventeenBlanksAfterTheBreak() {
    FakeMidi platform;
    MidiDevices midi(platform);
    std::string shown;
    midi.OpenDevices("QVB-Zaradariveda",
                     [&](const std::string& text, const std::string&) { shown = text; }, {});
    const auto lineBreak = shown.find('\n');
    QVERIFY(lineBreak != std::string::npos);
    QCOMPARE(shown.substr(lineBreak + 1, 18), std::string(17, ' ') + "D");
    // A missing close function is no reason to fall over.
    QVERIFY(!midi.outHandle);
}

void TestMidiDevices::nothingIsSentWithoutAnOutput() {
    FakeMidi platform;
    platform.outputs = {"Synth"};
    platform.failingOutputs = {0};
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    uint8_t program = 0;
    midi.PlayNote(60, 127);
    midi.Silence();
    midi.SendShortMessage(midi.outHandle.get(), 0xC0, 5, 0);
    midi.chooseInstrument(7, program);
    QVERIFY(platform.sent.empty());
    QCOMPARE(program, uint8_t(40)); // the choice itself is kept for the next device
}

void TestMidiDevices::messagesArePackedStatusFirst_data() {
    QTest::addColumn<int>("what");
    QTest::addColumn<uint>("expected");
    QTest::newRow("PlayNote(60, 127)") << 0 << uint(0x7F3C90);
    QTest::newRow("Silence") << 1 << uint(0x0078B0);
    QTest::newRow("program change 40") << 2 << uint(0x0028C0);
    QTest::newRow("PlayNote(84, 127)") << 3 << uint(0x7F5490);
}

void TestMidiDevices::messagesArePackedStatusFirst() {
    QFETCH(int, what);
    QFETCH(uint, expected);
    FakeMidi platform;
    platform.outputs = {"Synth"};
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    platform.clearSent();
    switch (what) {
    case 0:
        midi.PlayNote(60, 127);
        break;
    case 1:
        midi.Silence();
        break;
    case 2:
        midi.SendShortMessage(midi.outHandle.get(), 0xC0, 40, 0);
        break;
    case 3:
        midi.PlayNote(84, 127);
        break;
    }
    QCOMPARE(platform.messages(), std::vector<uint32_t>{expected});
}

void TestMidiDevices::instrumentChoice_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("program");
    QTest::newRow("Klavier") << 0 << 40 << 0;
    QTest::newRow("Violine") << 7 << 0 << 40;
    QTest::newRow("Stimme") << 9 << 0 << 52;
    QTest::newRow("Fagott") << 14 << 0 << 70;
    QTest::newRow("Blockflöte, the last") << 17 << 0 << 74;
    QTest::newRow("nothing selected keeps the program") << -1 << 66 << 66;
    QTest::newRow("past the table keeps the program") << 18 << 21 << 21;
}

void TestMidiDevices::instrumentChoice() {
    QFETCH(int, index);
    QFETCH(int, before);
    QFETCH(int, program);
    FakeMidi platform;
    platform.outputs = {"Synth"};
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    platform.clearSent();

    uint8_t chosen = static_cast<uint8_t>(before);
    midi.chooseInstrument(index, chosen);
    QCOMPARE(int(chosen), program);
    const std::vector<uint32_t> expected = {msg(0xC0, uint8_t(program), 0), msg(0x90, 69, 100)};
    QCOMPARE(platform.messages(), expected);
}

void TestMidiDevices::callbackAcceptsOnlySoundingNoteOnsOfChannelOne_data() {
    QTest::addColumn<uint>("messageId");
    QTest::addColumn<uint>("message");
    QTest::addColumn<int>("note");
    const int none = NoteInput::NoNote;
    QTest::newRow("90 3C 64") << uint(MIM_DATA) << uint(0x643C90) << 60;
    QTest::newRow("note 0 is a note") << uint(MIM_DATA) << uint(0x010090) << 0;
    QTest::newRow("note 127, velocity 1") << uint(MIM_DATA) << uint(0x017F90) << 127;
    QTest::newRow("octave too high stays as played") << uint(MIM_DATA) << uint(0x7F4890) << 72;
    QTest::newRow("channel 2: 91 3C 64") << uint(MIM_DATA) << uint(0x643C91) << none;
    QTest::newRow("channel 16: 9F 3C 64") << uint(MIM_DATA) << uint(0x643C9F) << none;
    QTest::newRow("velocity 0: 90 3C 00") << uint(MIM_DATA) << uint(0x003C90) << none;
    QTest::newRow("note-off: 80 3C 40") << uint(MIM_DATA) << uint(0x403C80) << none;
    QTest::newRow("control: B0 7B 00") << uint(MIM_DATA) << uint(0x007BB0) << none;
    QTest::newRow("clock: F8") << uint(MIM_DATA) << uint(0x0000F8) << none;
    QTest::newRow("open notice") << 0x3C1u << uint(0x643C90) << none;
    QTest::newRow("long data") << 0x3C4u << uint(0x643C90) << none;
    QTest::newRow("error") << 0x3C5u << uint(0x643C90) << none;
}

void TestMidiDevices::callbackAcceptsOnlySoundingNoteOnsOfChannelOne() {
    QFETCH(uint, messageId);
    QFETCH(uint, message);
    QFETCH(int, note);
    FakeMidi platform;
    MidiDevices midi(platform);
    MidiDevices::MidiInCallback(nullptr, messageId, reinterpret_cast<uintptr_t>(&midi), message,
                                1234);
    QCOMPARE(midi.takeNote(), note);
    QCOMPARE(midi.takeNote(), int(NoteInput::NoNote)); // each note is judged once
}

void TestMidiDevices::laterNoteReplacesAnUntakenOne() {
    FakeMidi platform;
    platform.outputs = {"Synth"};
    platform.inputs = {"Keyboard"};
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    midi.inputReset();
    midi.clearMailbox();
    midi.inputStart();
    QVERIFY(platform.injectBytes(0x90, 60, 100));
    QVERIFY(platform.injectBytes(0x90, 62, 100));
    QVERIFY(platform.injectBytes(0x80, 62, 64)); // the release does not undo it
    QCOMPARE(midi.takeNote(), 62);
    QCOMPARE(midi.takeNote(), int(NoteInput::NoNote));
}

void TestMidiDevices::roundStartForgetsANoteFromBefore() {
    FakeMidi platform;
    platform.outputs = {"Synth"};
    platform.inputs = {"Keyboard"};
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    midi.inputStart();
    platform.injectBytes(0x90, 64, 90);
    midi.inputStop();                             // the round ends with the note untaken
    QVERIFY(!platform.injectBytes(0x90, 65, 90)); // between rounds nothing arrives
    midi.inputReset();
    midi.clearMailbox();
    midi.inputStart();
    QCOMPARE(midi.takeNote(), int(NoteInput::NoNote));
}

void TestMidiDevices::inputCallsReachTheOpenInputOnly() {
    FakeMidi platform;
    platform.outputs = {"Synth"};
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    QVERIFY(!midi.inputOpen());
    midi.inputReset();
    midi.inputStart();
    midi.inputStop();
    QCOMPARE(platform.inResets + platform.inStarts + platform.inStops, 0);

    platform.inputs = {"Keyboard"};
    midi.reopenInput(0);
    QVERIFY(midi.inputOpen());
    midi.inputReset();
    midi.inputStart();
    midi.inputStop();
    QCOMPARE(platform.inResets, 1);
    QCOMPARE(platform.inStarts, 1);
    QCOMPARE(platform.inStops, 1);
}

void TestMidiDevices::reopenOutputSwitchesWithoutProgramChange() {
    FakeMidi platform;
    platform.outputs = {"Synth", "Keyboard"};
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    platform.clearSent();
    midi.reopenOutput(1);
    QCOMPARE(midi.outDevice, 1);
    QCOMPARE(platform.outCloses, 1);
    QVERIFY(platform.sent.empty());
    midi.PlayNote(60, 127);
    QCOMPARE(platform.sent.size(), std::size_t(1));
    QCOMPARE(platform.sent[0].device, 1u);
}

void TestMidiDevices::reopenOutputToAFailingDeviceLeavesNoOutput() {
    FakeMidi platform;
    platform.outputs = {"Synth", "Keyboard"};
    platform.failingOutputs = {1};
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    platform.clearSent();
    midi.reopenOutput(1);
    QVERIFY(!midi.outHandle);
    QVERIFY(!platform.outputOpen());
    midi.PlayNote(60, 127);
    midi.Silence();
    QVERIFY(platform.sent.empty());
    midi.reopenOutput(-1); // a number no device has
    QVERIFY(!midi.outHandle);
}

void TestMidiDevices::reopenInputOpensStoppedAndClosesTheOld() {
    FakeMidi platform;
    platform.outputs = {"Synth"};
    platform.inputs = {"Through", "Keyboard"};
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    midi.inputStart();
    midi.reopenInput(1);
    QCOMPARE(midi.inDevice, 1);
    QCOMPARE(platform.inCloses, 1);
    QCOMPARE(platform.openInputDevice(), 1);
    QVERIFY(!platform.inputStarted());
    QVERIFY(!platform.injectBytes(0x90, 60, 100));
    midi.inputStart();
    QVERIFY(platform.injectBytes(0x90, 61, 100));
    QCOMPARE(midi.takeNote(), 61);
}

void TestMidiDevices::closeDevicesClosesBoth() {
    FakeMidi platform;
    platform.outputs = {"Synth"};
    platform.inputs = {"Keyboard"};
    {
        MidiDevices midi(platform);
        midi.OpenDevices("QVB-Zaradariveda", {}, {});
        midi.CloseDevices();
        QVERIFY(!midi.outHandle);
        QVERIFY(!midi.inHandle);
        QCOMPARE(platform.outCloses, 1);
        QCOMPARE(platform.inCloses, 1);
        midi.reopenOutput(0);
        midi.reopenInput(0);
    } // the holder's end closes what is open
    QCOMPARE(platform.outCloses, 2);
    QCOMPARE(platform.inCloses, 2);
    QVERIFY(!platform.inputOpen());
}

QTEST_GUILESS_MAIN(TestMidiDevices)
#include "tst_mididevices.moc"
