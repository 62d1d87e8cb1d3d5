// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI settings dialog with the system's real MIDI ports: a JACK server of
// the test's own (dummy driver, no sound card) and test instruments made with
// JACK itself. The ports are chosen by clicking their buttons, as a user would.
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <memory>
#include <thread>

#include "cmidisettings.h"
#include "dialogtemplate.h"
#include "jackserver.h"
#include "jacktestclient.h"
#include "mididevices.h"
#include "systemmidi.h"

namespace {
using Message = JackTestClient::Message;

// The id of the button in the column starting at `idBase` whose caption is `name`, or -1.
int buttonShowing(const QWidget* dialog, int idBase, const std::string& name) {
    for (int id = idBase; id < idBase + 99; ++id)
        if (auto* b = controlAs<QRadioButton>(dialog, id);
            b && b->text() == QString::fromStdString(name))
            return id;
    return -1;
}

// Opens the dialog, clicks the button showing `name` in the given column and presses OK.
void choose(CMidiSettings& dialog, int idBase, const std::string& name) {
    int clicked = -1;
    QTimer::singleShot(0, &dialog, [&] {
        clicked = buttonShowing(&dialog, idBase, name);
        if (QWidget* b = control(&dialog, clicked))
            QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
        if (QWidget* ok = control(&dialog, 1))
            QTest::mouseClick(ok, Qt::LeftButton);
        if (dialog.isVisible())
            dialog.reject();
    });
    dialog.exec();
    QVERIFY2(clicked >= 0, name.c_str());
}
} // namespace

class TestMidiSettingsJack : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void chosenOutputPlaysTheNoteWithoutAProgramChange();
    void chosenInputAnswers();

private:
    std::unique_ptr<JackServer> m_server;
    std::unique_ptr<JackTestClient> m_first;  // listed first: the input opened at start-up
    std::unique_ptr<JackTestClient> m_second; // the one the user chooses
    std::unique_ptr<SystemMidi> m_platform;
    std::unique_ptr<MidiDevices> m_midi;
    std::unique_ptr<CMidiSettings> m_dialog;
};

void TestMidiSettingsJack::initTestCase() {
    m_server = std::make_unique<JackServer>();
    QVERIFY2(m_server->running(), "jackd did not start: run scripts/install-deps.sh --tests");
}

void TestMidiSettingsJack::init() {
    m_first = std::make_unique<JackTestClient>("qvbfirst");
    m_second = std::make_unique<JackTestClient>("qvbsecond");
    QVERIFY(m_first->ok() && m_second->ok());
    // No SoundFont: the built-in synthesizer stays closed; the instruments do the listening.
    SynthConfig silent;
    silent.soundFont = "/nonexistent/none.sf2";
    silent.soundFontRoot = "";
    m_platform = std::make_unique<SystemMidi>(silent);
    m_midi = std::make_unique<MidiDevices>(*m_platform);
    m_midi->OpenDevices("QVB-Zaradariveda", {}, {});
    m_dialog = std::make_unique<CMidiSettings>();
    m_dialog->setDevices(m_midi.get());
}

void TestMidiSettingsJack::cleanup() {
    m_dialog.reset();
    m_midi.reset();
    m_platform.reset();
    m_second.reset();
    m_first.reset();
}

void TestMidiSettingsJack::cleanupTestCase() {
    m_server.reset();
}

void TestMidiSettingsJack::chosenOutputPlaysTheNoteWithoutAProgramChange() {
    choose(*m_dialog, CMidiSettings::OutIdBase, m_second->inPortName());
    QVERIFY(m_midi->outDevice > 0);
    QVERIFY(m_midi->outHandle);
    // A round's first note: All Sound Off, then the note; nothing before them.
    m_midi->Silence();
    m_midi->PlayNote(0x3C, 127);
    const std::vector<Message> expected = {{0xB0, 0x78, 0x00}, {0x90, 0x3C, 0x7F}};
    QCOMPARE(m_second->receive(2, 3000), expected);
    QVERIFY(m_first->receive(1, 100).empty());
}

void TestMidiSettingsJack::chosenInputAnswers() {
    const int32_t before = m_midi->inDevice;
    choose(*m_dialog, CMidiSettings::InIdBase, m_second->outPortName());
    QVERIFY(m_midi->inDevice != before);
    QVERIFY(m_midi->inputOpen());
    // The new input waits for a round's start; then a key played on the other
    // instrument is not heard, and one played on the chosen one is.
    m_midi->inputReset();
    m_midi->clearMailbox();
    m_midi->inputStart();
    m_first->send({{0x90, 0x3E, 0x64}});
    QTRY_VERIFY_WITH_TIMEOUT(m_first->sentCount() == 1, 3000);
    std::this_thread::sleep_for(std::chrono::milliseconds(30)); // many JACK cycles
    QCOMPARE(m_midi->takeNote(), int(NoteInput::NoNote));
    m_second->send({{0x90, 0x3C, 0x64}});
    int note = NoteInput::NoNote;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (note == NoteInput::NoNote && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        note = m_midi->takeNote();
    }
    QCOMPARE(note, 0x3C);
}

QTEST_MAIN(TestMidiSettingsJack)
#include "tst_midisettings_jack.moc"
