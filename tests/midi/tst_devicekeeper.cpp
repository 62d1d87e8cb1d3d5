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
    void synthesizerChosenStaysWhateverComes();

private:
    void openWith(const std::vector<std::string>& outs, const std::vector<std::string>& ins);

    std::unique_ptr<FakeMidi> m_fake;
    std::unique_ptr<MidiDevices> m_midi;
    std::unique_ptr<DeviceKeeper> m_keeper;
};

void TestDeviceKeeper::init() {
    m_keeper.reset();
    m_midi.reset();
    m_fake = std::make_unique<FakeMidi>();
}

void TestDeviceKeeper::openWith(const std::vector<std::string>& outs,
                                const std::vector<std::string>& ins) {
    m_fake->outputs = outs;
    m_fake->inputs = ins;
    m_midi = std::make_unique<MidiDevices>(*m_fake);
    m_midi->OpenDevices("QVB-Zaradariveda", {}, {});
    m_keeper = std::make_unique<DeviceKeeper>(*m_midi);
    m_keeper->start();
    m_fake->clearSent();
}

void TestDeviceKeeper::inputAppears_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("opened"); // empty: none open

    QTest::newRow("keyboard after start") << QStringList{} << QStringList{"Keyboard"} << "Keyboard";
    QTest::newRow("instrument before Midi Through")
        << QStringList{} << QStringList{"Midi Through Port-0", "Keyboard"} << "Keyboard";
    QTest::newRow("Midi Through for want of anything else")
        << QStringList{} << QStringList{"Midi Through Port-0"} << "Midi Through Port-0";
    QTest::newRow("Midi Through makes way for an instrument")
        << QStringList{"Midi Through Port-0"} << QStringList{"Midi Through Port-0", "Keyboard"}
        << "Keyboard";
    QTest::newRow("an input in use stays")
        << QStringList{"Piano"} << QStringList{"Piano", "Keyboard"} << "Piano";
    QTest::newRow("nothing new") << QStringList{} << QStringList{} << "";
}

void TestDeviceKeeper::inputAppears() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QString, opened);
    std::vector<std::string> ins;
    for (const QString& name : before)
        ins.push_back(name.toStdString());
    openWith({Synth}, ins);
    m_fake->inputs.clear();
    for (const QString& name : after)
        m_fake->inputs.push_back(name.toStdString());
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
