// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "echogate.h"
#include "microphone.h"
#include "midiplatform.h"
#include "notecanceller.h"
#include "notelistener.h"

// The microphone as a MIDI input: what it hears is listened to for notes,
// and each answer goes out as a note-on, as a key of a keyboard would.
// Through loudspeakers the game's own notes are heard too. A note heard that
// the game is not sounding (nor a semitone beside one: a SoundFont's sample
// may lie that far off) can only be the pupil's, and answers at once. One of
// the game's own notes answers only through the gate (echogate.h): the
// pupil's own onset, clearly louder than the game's note.
// While the game's note sounds, a pupil singing another note over it is
// heard through a second ear too, one that hears the game's note taken out
// (notecanceller.h): a mix of two notes has no steady pitch of its own.
class MicrophoneInput final : public MidiInPort {
public:
    static constexpr uint8_t AnswerVelocity = 100;

    // Whether the capture still runs (its source and server are there).
    using Alive = std::function<bool()>;

    // nullptr when the rate makes no sense.
    static std::unique_ptr<MicrophoneInput> create(double sampleRate, MidiInProc proc,
                                                   uintptr_t instance,
                                                   std::shared_ptr<const ListenChoices> choices,
                                                   const GateRules& gate = {});
    void setAlive(Alive alive) { m_alive = std::move(alive); }

    // What the microphone heard, on the capture's thread, in blocks of any size.
    void hear(const float* samples, std::size_t count);

    void reset() override { m_running.store(false); }
    void start() override { m_running.store(true); }
    void stop() override { m_running.store(false); }
    bool reachesDevice() const override { return !m_alive || m_alive(); }
    void outputSent(uint32_t message) override;
    bool wantsSilence() override { return m_silenceWish.exchange(false); }
    TakenAnswer latestAnswer() const override;

private:
    MicrophoneInput(MidiInProc proc, uintptr_t instance,
                    std::shared_ptr<const ListenChoices> choices,
                    std::unique_ptr<NoteListener> listener, std::unique_ptr<NoteListener> beside,
                    const GateRules& gate);
    void hearHop(const float* samples, std::size_t count);
    void listenBeside(const float* samples, std::size_t count);
    double gamesPitchHz() const; // of the latest note the game began, as heard
    void answer(const HeardNote& answer);
    void followTheGame();
    bool counts(int note) const; // an answer of this note, as the gate stands now
    bool gamesOwn(int note) const; // one of the game's notes sounding, or beside one

    MidiInProc m_proc;
    uintptr_t m_instance;
    std::shared_ptr<const ListenChoices> m_choices;
    std::unique_ptr<NoteListener> m_listener;
    std::unique_ptr<NoteListener> m_beside; // hears what the canceller leaves
    NoteCanceller m_canceller;
    std::vector<float> m_cancelled; // a hop of what it leaves
    EchoGate m_gate;
    GateRules m_gateRules;
    Alive m_alive;
    std::size_t m_hop;
    std::vector<float> m_partial; // a hop not yet complete
    uint64_t m_heard = 0;         // samples heard so far
    double m_powers[4] = {};      // the last hops' mean squares, for a level over 20 ms
    unsigned m_nextPower = 0;
    double m_leftPowers[4] = {};  // of what the canceller left
    int m_besideHops = 0;          // since the game's note was taken out
    double m_leftQuietestDb = 200; // of what was left since then
    bool m_besideAwake = false;    // the second ear listens
    EchoGate::Verdict m_verdict = EchoGate::Verdict::Open;
    // The game's latest sound event, from the window's thread: a count, and
    // whether it began a note (1) or fell silent (0) in the lowest bit.
    std::atomic<uint32_t> m_gameEvent{0};
    // The pitch classes the game sounds now, and those beside them (bit k: class k).
    std::atomic<uint32_t> m_gameClasses{0};
    std::atomic<int> m_gameKey{-1}; // the latest note the game began
    uint32_t m_seenEvent = 0;
    bool m_gameSounds = false;
    bool m_besideAnswered = false; // over the game's note sounding now
    int m_besideNote = -1;         // ... with that key
    int m_cancelKey = -1;             // the game's note the canceller is for
    std::vector<double> m_heardCents; // off that key, as its echo was heard
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_silenceWish{false};
    std::atomic<int> m_cents{0};
};
