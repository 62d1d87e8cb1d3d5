// SPDX-License-Identifier: GPL-3.0-or-later
// Instruments that come and go on the ALSA sequencer: the same keeping as on
// JACK, told by the sequencer's announce port. Runs inside the test guest,
// which has the sequencer and the kernel's virtual MIDI card; skipped where
// there is no /dev/snd/seq.
#include <QtTest>

#include <memory>
#include <unistd.h>

#include "alsatestparts.h"
#include "watchedmidi.h"

namespace {
// The game's MIDI side as it runs: devices opened, then watched.
struct Game : WatchedMidi {
    // A round runs: what is played now is judged.
    void startRound() {
        midi.inputReset();
        midi.clearMailbox();
        midi.inputStart();
    }
    int takeWithin(int timeoutMs) { return takeNoteWithin(midi, timeoutMs); }
};
} // namespace

class TestPortWatchAlsa : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVB_NEED_VIRTUAL_MIDI_CARD(); }
    void cleanup() { VirmidiCard::unplug(); }
    void keyboardPluggedInLateAndAgain();
    void watchingStartsNoClientsWhileNothingChanges_data();
    void watchingStartsNoClientsWhileNothingChanges();
    void keyboardUnpluggedAndPluggedBetweenTwoLooksIsReopened();
    void twoKeyboardsOfOneNameAreEachKeptAsThemselves();
};

void TestPortWatchAlsa::keyboardPluggedInLateAndAgain() {
    Game game;
    auto keyboard = std::make_unique<AlsaKeyboard>("QVB test keyboard");
    QVERIFY(keyboard->ok());
    QTRY_VERIFY_WITH_TIMEOUT(game.uses("QVB test keyboard"), 5000);
    game.startRound();
    keyboard->noteOn(60);
    QCOMPARE(game.takeWithin(5000), 60);

    keyboard.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!game.midi.lostInIdentity.empty(), 5000);
    keyboard = std::make_unique<AlsaKeyboard>("QVB test keyboard");
    QTRY_VERIFY_WITH_TIMEOUT(game.midi.inputWorks() && game.midi.lostInIdentity.empty(), 5000);
    keyboard->noteOn(62);
    QCOMPARE(game.takeWithin(5000), 62);
}

void TestPortWatchAlsa::watchingStartsNoClientsWhileNothingChanges_data() {
    QTest::addColumn<bool>("plugged");
    QTest::newRow("nothing plugged") << false;
    QTest::newRow("after a keyboard was plugged") << true;
}

// Every sequencer client that starts is announced to every program on the
// desktop; the watch must not make news of its own.
void TestPortWatchAlsa::watchingStartsNoClientsWhileNothingChanges() {
    QFETCH(bool, plugged);
    ClientStarts starts;
    QVERIFY(starts.ok());
    Game game;
    if (plugged) {
        QVERIFY(VirmidiCard::plug());
        QTRY_VERIFY_WITH_TIMEOUT(game.uses(VirmidiCard::clientName()), 5000);
    }
    QTest::qWait(500); // the news of the start and of the plug are over
    starts.take();
    const int listings = game.watcher.listings();
    // Read often: the counter's own queue must not overrun.
    int idleStarts = 0;
    int news = 0;
    // Half a minute, as a pupil leaves the game open between two rounds.
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 30000) {
        QTest::qWait(20);
        idleStarts += starts.take();
        news += starts.news();
    }
    qInfo("in 30 s of idling: %d sequencer clients started, %d announcements, %d listings",
          idleStarts, news, game.watcher.listings() - listings);
    QCOMPARE(idleStarts, 0);
    QCOMPARE(game.watcher.listings(), listings);
}

// A USB keyboard pulled out and put back before the watch has looked: the
// port is listed again under its name, but the old link leads nowhere.
void TestPortWatchAlsa::keyboardUnpluggedAndPluggedBetweenTwoLooksIsReopened() {
    Game game;
    QVERIFY(VirmidiCard::plug());
    QTRY_VERIFY_WITH_TIMEOUT(game.uses(VirmidiCard::clientName()), 5000);
    game.startRound();
    QVERIFY(VirmidiCard::noteOn(60));
    QCOMPARE(game.takeWithin(5000), 60);

    // No event is handled in between: the watch sees both at its next look.
    QVERIFY(VirmidiCard::unplug());
    QVERIFY(VirmidiCard::plug());
    // Played until it is heard: the card is back before the watch has looked.
    int heard = NoteInput::NoNote;
    for (int attempt = 0; attempt < 50 && heard == NoteInput::NoNote; ++attempt) {
        VirmidiCard::noteOn(62);
        heard = game.takeWithin(100);
    }
    QCOMPARE(heard, 62);
}

// Two keyboards of one model in one classroom: the one in use is the one
// whose notes are judged, and when it goes the other one takes over.
void TestPortWatchAlsa::twoKeyboardsOfOneNameAreEachKeptAsThemselves() {
    Game game;
    auto first = std::make_unique<AlsaKeyboard>("QVB twin keyboard");
    QVERIFY(first->ok());
    QTRY_VERIFY_WITH_TIMEOUT(game.uses("QVB twin keyboard"), 5000);
    const std::string firstInUse = game.midi.inIdentity;
    auto second = std::make_unique<AlsaKeyboard>("QVB twin keyboard");
    QVERIFY(second->ok());
    QTest::qWait(300); // the second's news are over
    game.startRound();
    first->noteOn(60);
    QCOMPARE(game.takeWithin(5000), 60);
    QCOMPARE(game.midi.inIdentity, firstInUse);

    first.reset();
    QTRY_VERIFY_WITH_TIMEOUT(game.midi.inputWorks() && game.midi.inIdentity != firstInUse, 5000);
    second->noteOn(62);
    QCOMPARE(game.takeWithin(5000), 62);
}

QTEST_GUILESS_MAIN(TestPortWatchAlsa)
#include "tst_portwatch_alsa.moc"
