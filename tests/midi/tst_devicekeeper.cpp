// SPDX-License-Identifier: GPL-3.0-or-later
// What the program does by itself when instruments come and go, on a
// platform whose device lists the test changes at will.
#include <QtTest>

#include "devicekeeper.h"
#include "fakemidi.h"
#include "mididevices.h"

namespace {
const std::string Synth = "Eingebauter Synthesizer";
constexpr uint32_t ViolinProgram = 0x28C0; // C0 28 00

// Stands still until the test moves it.
class SetClock final : public MsClock {
public:
    uint32_t t = 0;
    uint32_t now() override { return t; }
};
} // namespace

class TestDeviceKeeper : public QObject {
    Q_OBJECT
private slots:
    void init();

    void inputAppears_data();
    void inputAppears();
    void ownChoiceOfInputIsKept();
    void lostInputComesBackAndAnswersWithinTheRound();
    void inputCutAndBackBetweenTwoLooksIsReopened();
    void lostInputIsReplacedByAnotherThatAppears();
    void numbersFollowTheLists();
    void lostOutputIsReplacedByTheSynthesizerWithTheChosenInstrument();
    void outputComesBackWithoutProgramChange();
    void returningOutputIsTakenOnceOpen();
    void returningOutputThatFailsToOpen_data();
    void returningOutputThatFailsToOpen();
    void synthesizerChosenStaysWhateverComes();

private:
    void openWith(const std::vector<std::string>& outs, const std::vector<std::string>& ins,
                  const std::vector<std::string>* insAtWatchStart = nullptr);

    std::unique_ptr<FakeMidi> m_fake;
    std::unique_ptr<MidiDevices> m_midi;
    std::unique_ptr<DeviceKeeper> m_keeper;
    SetClock m_clock;
};

void TestDeviceKeeper::init() {
    m_keeper.reset();
    m_midi.reset();
    m_fake = std::make_unique<FakeMidi>();
}

// `insAtWatchStart`: the inputs have changed to these by the time the watch
// starts, after the devices were opened.
void TestDeviceKeeper::openWith(const std::vector<std::string>& outs,
                                const std::vector<std::string>& ins,
                                const std::vector<std::string>* insAtWatchStart) {
    m_fake->outputs = outs;
    m_fake->inputs = ins;
    m_midi = std::make_unique<MidiDevices>(*m_fake);
    m_midi->OpenDevices("QVB-Zaradariveda", {}, {});
    if (insAtWatchStart)
        m_fake->inputs = *insAtWatchStart;
    m_clock.t = 0;
    m_keeper = std::make_unique<DeviceKeeper>(*m_midi, m_clock);
    m_keeper->start();
    m_fake->clearSent();
}

void TestDeviceKeeper::inputAppears_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("opened"); // empty: none open
    QTest::addColumn<bool>("duringStartUp"); // `after` already when the watch starts

    QTest::newRow("keyboard after start")
        << QStringList{} << QStringList{"Keyboard"} << "Keyboard" << false;
    QTest::newRow("instrument before Midi Through")
        << QStringList{} << QStringList{"Midi Through Port-0", "Keyboard"} << "Keyboard" << false;
    QTest::newRow("Midi Through for want of anything else")
        << QStringList{} << QStringList{"Midi Through Port-0"} << "Midi Through Port-0" << false;
    QTest::newRow("Midi Through makes way for an instrument")
        << QStringList{"Midi Through Port-0"} << QStringList{"Midi Through Port-0", "Keyboard"}
        << "Keyboard" << false;
    QTest::newRow("an input in use stays")
        << QStringList{"Piano"} << QStringList{"Piano", "Keyboard"} << "Piano" << false;
    QTest::newRow("nothing new") << QStringList{} << QStringList{} << "" << false;
    QTest::newRow("keyboard switched on while the window is made")
        << QStringList{} << QStringList{"Keyboard"} << "Keyboard" << true;
    QTest::newRow("Midi Through at the opening, a keyboard before the watch")
        << QStringList{"Midi Through Port-0"} << QStringList{"Midi Through Port-0", "Keyboard"}
        << "Keyboard" << true;
}

void TestDeviceKeeper::inputAppears() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QString, opened);
    QFETCH(bool, duringStartUp);
    std::vector<std::string> ins, later;
    for (const QString& name : before)
        ins.push_back(name.toStdString());
    for (const QString& name : after)
        later.push_back(name.toStdString());
    openWith({Synth}, ins, duringStartUp ? &later : nullptr);
    m_fake->inputs = later;
    if (!duringStartUp)
        m_keeper->portsChanged();
    QCOMPARE(QString::fromStdString(m_midi->inIdentity), opened);
    if (!opened.isEmpty()) {
        QVERIFY(m_midi->inputWorks());
        QCOMPARE(m_midi->inDevice, int32_t(after.indexOf(opened)));
        QVERIFY(!m_fake->inputStarted()); // between rounds nothing is judged
    }
}

void TestDeviceKeeper::ownChoiceOfInputIsKept() {
    openWith({Synth}, {"Midi Through Port-0", "Piano"});
    m_midi->reopenInput(0); // the pupil chose Midi Through
    m_fake->inputs.push_back("Keyboard");
    m_keeper->portsChanged();
    QCOMPARE(m_midi->inIdentity, std::string("Midi Through Port-0"));
}

void TestDeviceKeeper::lostInputComesBackAndAnswersWithinTheRound() {
    openWith({Synth}, {"Keyboard"});
    m_midi->inputReset(); // a round starts
    m_midi->clearMailbox();
    m_midi->inputStart();
    QVERIFY(m_fake->injectBytes(0x90, 60, 100));

    m_fake->inputs.clear();
    m_keeper->portsChanged();
    QCOMPARE(m_midi->inDevice, -1);
    QVERIFY(!m_midi->inputWorks());
    QVERIFY(m_midi->inputOpen()); // the round's stop still reaches it

    m_fake->inputs = {"Other", "Keyboard"};
    m_keeper->portsChanged();
    QCOMPARE(m_midi->inIdentity, std::string("Keyboard"));
    QCOMPARE(m_midi->inDevice, 1);
    QVERIFY(m_fake->inputStarted());
    // The note from before the loss is judged once, then the new ones.
    QCOMPARE(m_midi->takeNote(), 60);
    QCOMPARE(m_midi->takeNote(), int(NoteInput::NoNote));
    QVERIFY(m_fake->injectBytes(0x90, 62, 100));
    QCOMPARE(m_midi->takeNote(), 62);

    m_midi->inputStop(); // the round ends; a later reopening is not started
    m_fake->inputs.clear();
    m_keeper->portsChanged();
    m_fake->inputs = {"Keyboard"};
    m_keeper->portsChanged();
    QVERIFY(m_midi->inputWorks());
    QVERIFY(!m_fake->inputStarted());
}

void TestDeviceKeeper::inputCutAndBackBetweenTwoLooksIsReopened() {
    openWith({Synth}, {"Keyboard"});
    const int opens = m_fake->inOpens;
    m_fake->cutLinks.insert("Keyboard");
    m_keeper->portsChanged();
    m_fake->cutLinks.clear(); // the new port reaches it
    QCOMPARE(m_fake->inOpens, opens + 1);
    QVERIFY(m_midi->inputWorks());
    m_keeper->portsChanged();
    QCOMPARE(m_fake->inOpens, opens + 1); // working: left alone
}

void TestDeviceKeeper::lostInputIsReplacedByAnotherThatAppears() {
    openWith({Synth}, {"Keyboard"});
    m_fake->inputs.clear();
    m_keeper->portsChanged();
    m_fake->inputs = {"Drums"};
    m_keeper->portsChanged();
    QCOMPARE(m_midi->inIdentity, std::string("Drums"));
    QVERIFY(m_midi->lostInIdentity.empty());
}

void TestDeviceKeeper::numbersFollowTheLists() {
    openWith({Synth, "Synth A"}, {"Keyboard"});
    m_midi->reopenOutput(1);
    m_fake->outputs = {Synth, "New", "Synth A"};
    m_fake->inputs = {"New", "Keyboard"};
    const int outOpens = m_fake->outOpens;
    m_keeper->portsChanged();
    QCOMPARE(m_midi->outDevice, 2);
    QCOMPARE(m_midi->inDevice, 1);
    QCOMPARE(m_fake->outOpens, outOpens); // nothing reopened
}

void TestDeviceKeeper::lostOutputIsReplacedByTheSynthesizerWithTheChosenInstrument() {
    openWith({Synth, "Synth A"}, {});
    m_midi->reopenOutput(1);
    uint8_t program = 0;
    m_midi->chooseInstrument(7, program); // "Violine"
    m_fake->clearSent();
    const int finished = m_fake->finishOpenings;

    m_fake->outputs = {Synth};
    m_keeper->portsChanged();
    QCOMPARE(m_midi->outDevice, 0);
    // Started, not finished: the window's thread does not wait for the synthesizer.
    QCOMPARE(m_fake->startOpenings, 1);
    QCOMPARE(m_fake->finishOpenings, finished);
    QVERIFY(m_midi->outputWorks());
    QCOMPARE(m_midi->lostOutIdentity, std::string("Synth A"));
    QCOMPARE(m_fake->sent.size(), std::size_t(1));
    QCOMPARE(m_fake->sent[0].device, 0u);
    QCOMPARE(m_fake->sent[0].message, ViolinProgram);
    m_midi->PlayNote(69, 127);
    QCOMPARE(m_fake->sent.back().device, 0u);
}

void TestDeviceKeeper::outputComesBackWithoutProgramChange() {
    openWith({Synth, "Synth A"}, {});
    m_midi->reopenOutput(1);
    m_fake->outputs = {Synth};
    m_keeper->portsChanged();
    m_fake->clearSent();
    m_fake->outputs = {Synth, "Other", "Synth A"};
    m_keeper->portsChanged();
    QCOMPARE(m_midi->outDevice, 2);
    QVERIFY(m_midi->lostOutIdentity.empty());
    QVERIFY(m_fake->sent.empty());
    m_midi->Silence();
    QCOMPARE(m_fake->sent.back().device, 2u);
}

void TestDeviceKeeper::returningOutputIsTakenOnceOpen() {
    openWith({Synth, "Synth A"}, {});
    m_midi->reopenOutput(1);
    m_fake->outputs = {Synth};
    m_keeper->portsChanged(); // the synthesizer stands in
    const int opens = m_fake->outOpens, closes = m_fake->outCloses;
    m_fake->outputsStillOpening = true;
    m_fake->outputs = {Synth, "Synth A"};
    m_keeper->portsChanged();
    m_keeper->portsChanged();
    QVERIFY(m_keeper->opening());
    QCOMPARE(m_fake->outOpens, opens + 1); // opened once, not at every look
    QCOMPARE(m_midi->outDevice, 0);        // the synthesizer plays on meanwhile
    QCOMPARE(m_fake->outCloses, closes);
    m_fake->outputsStillOpening = false;
    m_keeper->portsChanged();
    QVERIFY(!m_keeper->opening());
    QCOMPARE(m_midi->outDevice, 1);
    QCOMPARE(m_fake->outCloses, closes + 1);
}

void TestDeviceKeeper::returningOutputThatFailsToOpen_data() {
    QTest::addColumn<int>("failures"); // of the returning device so far, each after its wait
    QTest::addColumn<int>("waitMs");   // since the last one
    QTest::addColumn<bool>("announcedAnew");
    QTest::addColumn<bool>("tried");

    QTest::newRow("news within its first second") << 1 << 500 << false << false;
    QTest::newRow("its first second over") << 1 << 1000 << false << true;
    QTest::newRow("gone and announced anew") << 1 << 0 << true << true;
    QTest::newRow("after two failures one second is not enough") << 2 << 1000 << false << false;
    QTest::newRow("after two failures two seconds") << 2 << 2000 << false << true;
    QTest::newRow("the wait grows no longer than half a minute") << 9 << 30000 << false << true;
}

void TestDeviceKeeper::returningOutputThatFailsToOpen() {
    QFETCH(int, failures);
    QFETCH(int, waitMs);
    QFETCH(bool, announcedAnew);
    QFETCH(bool, tried);
    openWith({Synth, "Synth A"}, {});
    m_midi->reopenOutput(1);
    m_fake->outputs = {Synth};
    m_keeper->portsChanged(); // the synthesizer stands in
    const int closes = m_fake->outCloses;
    m_fake->failingOutputs = {1};
    m_fake->outputs = {Synth, "Synth A"};
    m_keeper->portsChanged(); // failure 1, tried at once
    for (int k = 1; k < failures; ++k) {
        m_clock.t += std::min<uint32_t>(OpenRetries::FirstWaitMs << (k - 1), OpenRetries::LongestWaitMs);
        m_keeper->portsChanged();
    }
    QCOMPARE(m_fake->outCloses, closes); // the synthesizer was kept throughout
    m_clock.t += uint32_t(waitMs);
    QCOMPARE(m_keeper->retryDue(), tried && !announcedAnew);
    if (announcedAnew) {
        m_fake->outputs = {Synth};
        m_keeper->portsChanged();
        m_fake->outputs = {Synth, "Synth A"};
    }
    m_fake->failingOutputs.clear();
    m_keeper->portsChanged();
    QCOMPARE(m_midi->outDevice, tried ? 1 : 0);
    QCOMPARE(m_midi->lostOutIdentity.empty(), tried);
    QCOMPARE(m_fake->outCloses, closes + (tried ? 1 : 0));
}

void TestDeviceKeeper::synthesizerChosenStaysWhateverComes() {
    openWith({Synth}, {});
    const int opens = m_fake->outOpens;
    m_fake->outputs = {Synth, "Synth A"};
    m_keeper->portsChanged();
    m_fake->outputs = {Synth};
    m_keeper->portsChanged();
    QCOMPARE(m_fake->outOpens, opens);
    QCOMPARE(m_midi->outDevice, 0);
}

QTEST_GUILESS_MAIN(TestDeviceKeeper)
#include "tst_devicekeeper.moc"
