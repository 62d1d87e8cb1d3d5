// SPDX-License-Identifier: GPL-3.0-or-later
// The microphone through a real PulseAudio server: a pipe source of the
// test's own is the microphone, fed in real time. The round is the game's
// own, its input the game's device holder over the listening module; the
// output is a stand-in, so the game's note reaches the microphone only as
// the test feeds it back.
#include <QtTest>

#include <atomic>
#include <cmath>

#include "enginefakes.h"
#include "fakemidi.h"
#include "microphoneplatform.h"
#include "mididevices.h"
#include "mouth.h"
#include "portwatcher.h"
#include "pulseserver.h"
#include "testtone.h"

namespace {
constexpr double Rate = 48000;

std::vector<float> tone(double note, double peakDb, double ms) {
    return testTone(note, peakDb, ms, Rate);
}

struct Game {
    FakeMidi fake;
    MicrophonePlatform platform{fake};
    MidiDevices devices{platform};
    PortWatcher watcher{devices};
    FakeClock clock;
    RecordingHost host;
    Compass compass;
    TrainingRound round{compass, devices, devices, clock, host};

    Game() {
        fake.outputs = {"Stand-in"};
        devices.OpenDevices("QVB-Zaradariveda", {}, {});
        watcher.start();
        clock.set(100000);
        round.resetForStartUp();
    }
    bool chooseMicrophone() {
        platform.lookForMicrophone();
        platform.inCount();
        const int mic = platform.microphoneInput();
        if (mic < 0)
            return false;
        devices.reopenInput(mic);
        return devices.inputWorks();
    }
    NoteSlot& slot(int index) { return round.m_slots[std::size_t(index)]; }
    void tick() {
        QTest::qWait(5);
        clock.advance(10);
        round.onTimer(TrainingRound::RoundTimer);
    }
    bool nextNoteOnLine() {
        for (int n = 0; n < 2000 && !round.noteOnLine(); ++n)
            tick();
        return round.noteOnLine();
    }
    template <class Until> bool tickUntil(Until until, int ms) {
        QElapsedTimer t;
        t.start();
        while (!until() && t.elapsed() < ms)
            tick();
        return until();
    }
    // The game's sound silenced since the `from`th message it sent.
    bool silenced(std::size_t from) const {
        for (std::size_t k = from; k < fake.sent.size(); ++k)
            if (fake.sent[k].message == packShortMessage(0xB0, 0x78, 0))
                return true;
        return false;
    }
};
} // namespace

class TestMicrophonePulse : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void roundAnsweredBySinging();
    void gameNoteFedBackIsNoAnswerAndThePupilOverItIs();
    void microphoneLostAndFoundAgain();
    void serverAwayWhenLookedForAndBackLater();

private:
    std::unique_ptr<PulseServer> m_server;
    std::unique_ptr<Mouth> m_mouth;
};

void TestMicrophonePulse::initTestCase() {
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty())
        QSKIP("no PulseAudio here");
    m_server = std::make_unique<PulseServer>();
    QVERIFY(m_server->running());
}

void TestMicrophonePulse::init() {
    m_mouth = std::make_unique<Mouth>(QFileInfo(QString::fromStdString(m_server->socket()))
                                          .absolutePath()
                                          .toStdString());
    QVERIFY(m_mouth->plug());
}

void TestMicrophonePulse::cleanup() {
    m_mouth.reset();
}

void TestMicrophonePulse::roundAnsweredBySinging() {
    Game game;
    QCOMPARE(game.platform.inCount(), 0u); // not looked for yet: not listed, nothing loaded
    QVERIFY(game.chooseMicrophone());
    QCOMPARE(game.devices.inIdentity, std::string(MicrophoneName));
    game.platform.setHeadphones(true);
    game.platform.setAnyOctave(true);
    game.round.startTraining();
    QVERIFY(game.nextNoteOnLine());
    const int asked = game.slot(0).note;
    // Sung an octave below, as a man sings a soprano's note.
    m_mouth->say(tone(asked - 12, -10, 700));
    QVERIFY(game.tickUntil([&] { return game.slot(0).result != 0; }, 5000));
    QCOMPARE(game.slot(0).result, 1);
    const TakenAnswer taken = game.devices.takenAnswer();
    QCOMPARE(taken.way, AnswerWay::Microphone);
    QVERIFY2(std::abs(taken.cents) <= 5, qPrintable(QString::number(taken.cents)));

    // A wrong note is judged wrong.
    QVERIFY(game.nextNoteOnLine());
    const int second = game.slot(1).note;
    m_mouth->say(std::vector<float>(9600));
    m_mouth->say(tone(second + 1, -10, 700));
    QVERIFY(game.tickUntil([&] { return game.slot(1).result != 0; }, 5000));
    QCOMPARE(game.slot(1).result, -1);
}

// Through loudspeakers: the game's note comes back into the microphone at
// -12 dB and rings on; the pupil sings another one over it at -6 dB.
void TestMicrophonePulse::gameNoteFedBackIsNoAnswerAndThePupilOverItIs() {
    Game game;
    QVERIFY(game.chooseMicrophone());
    // The loudspeakers: each note the game plays comes back into the
    // microphone at once, and rings on until it falls silent.
    std::atomic<int> asked{-1};
    game.fake.onSent = [&](uint32_t message) {
        if ((message & 0xF0) == 0x90 && asked < 0) {
            asked = int((message >> 8) & 0x7F);
            m_mouth->echo(tone(asked, -12, 6000));
        } else if (message == packShortMessage(0xB0, 0x78, 0)) {
            m_mouth->quiet();
        }
    };
    game.round.startTraining();
    QVERIFY(game.tickUntil([&] { return asked >= 0; }, 5000));
    const std::size_t played = game.fake.sent.size();
    QVERIFY(game.nextNoteOnLine());
    QCOMPARE(game.slot(0).note, asked.load());
    QElapsedTimer rang;
    rang.start();
    while (rang.elapsed() < 1500)
        game.tick();
    QCOMPARE(game.slot(0).result, 0); // the game's own note never answered
    QVERIFY(!game.silenced(played));

    const int sung = asked == 84 ? 83 : asked + 1;
    m_mouth->say(tone(sung, -6, 800));
    QVERIFY(game.tickUntil([&] { return game.silenced(played); }, 3000));
    QVERIFY(game.tickUntil([&] { return game.slot(0).result != 0; }, 3000));
    QCOMPARE(game.slot(0).result, -1); // judged as the pupil's note, a wrong one
}

// The microphone unplugged (its source gone from the server) and plugged in
// again: the input is lost and taken again, as a keyboard is.
void TestMicrophonePulse::microphoneLostAndFoundAgain() {
    Game game;
    QVERIFY(game.chooseMicrophone());
    m_mouth->unplug();
    QTRY_COMPARE_WITH_TIMEOUT(game.devices.lostInIdentity, std::string(MicrophoneName), 5000);
    QVERIFY(!game.devices.inputWorks());
    QVERIFY(m_mouth->plug());
    QTRY_VERIFY_WITH_TIMEOUT(game.devices.inputWorks(), 5000);
    QCOMPARE(game.devices.inIdentity, std::string(MicrophoneName));

    game.platform.setHeadphones(true);
    game.round.startTraining();
    QVERIFY(game.nextNoteOnLine());
    m_mouth->say(tone(game.slot(0).note, -10, 700));
    QVERIFY(game.tickUntil([&] { return game.slot(0).result != 0; }, 5000));
    QCOMPARE(game.slot(0).result, 1);
}

// No sound server when the settings look for the microphone: nothing is
// listed, nothing breaks; the server that starts later is found by itself.
void TestMicrophonePulse::serverAwayWhenLookedForAndBackLater() {
    m_mouth.reset();
    m_server->kill();
    Game game;
    game.platform.lookForMicrophone();
    QCOMPARE(game.platform.inCount(), 0u);
    QCOMPARE(game.platform.microphoneInput(), -1);
    QTest::qWait(1500); // a knock or two on the closed door
    QVERIFY(m_server->start());
    m_mouth = std::make_unique<Mouth>(QFileInfo(QString::fromStdString(m_server->socket()))
                                          .absolutePath()
                                          .toStdString());
    QVERIFY(m_mouth->plug());
    QTRY_VERIFY_WITH_TIMEOUT((game.platform.inCount(), game.platform.microphoneInput() >= 0), 5000);
}

QTEST_GUILESS_MAIN(TestMicrophonePulse)
#include "tst_microphone_pulse.moc"
