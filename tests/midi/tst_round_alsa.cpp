// SPDX-License-Identifier: GPL-3.0-or-later
// A round answered from a USB keyboard on the ALSA sequencer, with the
// keyboard pulled out and put back in the middle of it: the kernel's virtual
// MIDI card as the keyboard, the game's own MIDI side, and the round itself
// on a clock of the test's own. Runs inside the test guest.
#include <QtTest>

#include <unistd.h>

#include "alsatestparts.h"
#include "enginefakes.h"
#include "watchedmidi.h"

namespace {
struct Game : WatchedMidi {
    FakeClock clock;
    RecordingHost host;
    Compass compass;
    TrainingRound round{compass, midi, midi, clock, host};

    Game() {
        clock.set(100000);
        round.resetForStartUp();
    }
    bool usingCard() const { return uses(VirmidiCard::clientName()); }
    NoteSlot& slot(int index) { return round.m_slots[std::size_t(index)]; }
    // The round's ticks go on while the pupil plays `note` on the keyboard,
    // again and again until `judged` holds; false when it never does.
    template <class Judged> bool play(int note, Judged judged) {
        for (int attempt = 0; attempt < 100 && !judged(); ++attempt) {
            VirmidiCard::noteOn(note);
            for (int wait = 0; wait < 20 && !judged(); ++wait) {
                QTest::qWait(5);
                clock.advance(10);
                round.onTimer(TrainingRound::RoundTimer);
            }
        }
        return judged();
    }
    // Ticks until the next note is on the line.
    bool nextNoteOnLine(int limit = 2000) {
        for (int n = 0; n < limit && !round.noteOnLine(); ++n) {
            clock.advance(10);
            round.onTimer(TrainingRound::RoundTimer);
        }
        return round.noteOnLine();
    }
};
} // namespace

class TestRoundAlsa : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVB_NEED_VIRTUAL_MIDI_CARD(); }
    void cleanup() { VirmidiCard::unplug(); }
    void roundAnsweredFromAKeyboardUnpluggedAndPluggedAgain();
};

void TestRoundAlsa::roundAnsweredFromAKeyboardUnpluggedAndPluggedAgain() {
    Game game;
    QVERIFY(VirmidiCard::plug()); // after the game started, as a pupil does
    QTRY_VERIFY_WITH_TIMEOUT(game.usingCard(), 5000);
    game.round.startTraining();
    QVERIFY(game.nextNoteOnLine());

    const int first = game.slot(0).note;
    const int wrong = first == 84 ? 83 : first + 1;
    QVERIFY(game.play(wrong, [&] { return game.slot(0).result == -1; }));
    QCOMPARE(int(game.round.m_points), 0); // wrong at zero points costs nothing
    QVERIFY(game.play(first, [&] { return game.round.m_slotIndex == 1; })); // corrected
    QCOMPARE(game.slot(0).result, 1);

    // Pulled out and put back before the watch has looked.
    QVERIFY(VirmidiCard::unplug());
    QVERIFY(VirmidiCard::plug());
    QVERIFY(game.nextNoteOnLine());
    const int second = game.slot(1).note;
    QVERIFY(game.play(second, [&] { return game.round.m_slotIndex == 2; }));
    QCOMPARE(game.slot(1).result, 1);
    QVERIFY(game.usingCard());
    QVERIFY(game.round.m_running);
}

QTEST_GUILESS_MAIN(TestRoundAlsa)
#include "tst_round_alsa.moc"
