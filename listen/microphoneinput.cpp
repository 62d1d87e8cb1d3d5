// SPDX-License-Identifier: GPL-3.0-or-later
#include "microphoneinput.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr uint32_t NoteOn = 0x90, NoteOff = 0x80, ControlChange = 0xB0;
constexpr uint32_t AllSoundOff = 0x78, AllNotesOff = 0x7B;
} // namespace

std::unique_ptr<MicrophoneInput> MicrophoneInput::create(double sampleRate, MidiInProc proc,
                                                         uintptr_t instance,
                                                         std::shared_ptr<const ListenChoices> choices,
                                                         const GateRules& gate) {
    auto listener = NoteListener::create(sampleRate);
    if (!listener || !choices)
        return nullptr;
    return std::unique_ptr<MicrophoneInput>(
        new MicrophoneInput(proc, instance, std::move(choices), std::move(listener), gate));
}

MicrophoneInput::MicrophoneInput(MidiInProc proc, uintptr_t instance,
                                 std::shared_ptr<const ListenChoices> choices,
                                 std::unique_ptr<NoteListener> listener, const GateRules& gate)
    : m_proc(proc), m_instance(instance), m_choices(std::move(choices)),
      m_listener(std::move(listener)), m_gate(m_listener->detector().sampleRate(), gate),
      m_hop(m_listener->detector().hopSize()) {
    m_partial.reserve(m_hop);
}

void MicrophoneInput::outputSent(uint32_t message) {
    const uint32_t status = message & 0xF0;
    const uint32_t data1 = (message >> 8) & 0x7F;
    const uint32_t data2 = (message >> 16) & 0x7F;
    uint32_t kind;
    if (status == NoteOn && data2 > 0)
        kind = 1;
    else if (status == NoteOff || status == NoteOn ||
             (status == ControlChange && (data1 == AllSoundOff || data1 == AllNotesOff)))
        kind = 0;
    else
        return;
    uint32_t classes = 0;
    if (kind == 1) {
        const uint32_t pc = data1 % 12;
        classes = m_gameClasses.load(std::memory_order_relaxed) | 1u << pc |
                  1u << ((pc + 1) % 12) | 1u << ((pc + 11) % 12);
    }
    // Without a note-off the game's notes ring on together until it falls silent.
    m_gameClasses.store(classes, std::memory_order_release);
    const uint32_t count = (m_gameEvent.load(std::memory_order_relaxed) >> 1) + 1;
    m_gameEvent.store((count << 1) | kind, std::memory_order_release);
}

TakenAnswer MicrophoneInput::latestAnswer() const {
    TakenAnswer taken;
    taken.way = AnswerWay::Microphone;
    taken.cents = static_cast<int8_t>(m_cents.load(std::memory_order_acquire));
    taken.anyOctave = m_choices->anyOctave.load();
    return taken;
}

void MicrophoneInput::hear(const float* samples, std::size_t count) {
    // The listener's hops and the gate's stay in step: both judge whole hops.
    while (count > 0) {
        const std::size_t take = std::min(count, m_hop - m_partial.size());
        if (m_partial.empty() && take == m_hop) {
            hearHop(samples, take);
        } else {
            m_partial.insert(m_partial.end(), samples, samples + take);
            if (m_partial.size() == m_hop) {
                hearHop(m_partial.data(), m_hop);
                m_partial.clear();
            }
        }
        samples += take;
        count -= take;
    }
}

void MicrophoneInput::followTheGame() {
    const uint32_t event = m_gameEvent.load(std::memory_order_acquire);
    if (event == m_seenEvent)
        return;
    m_seenEvent = event;
    if (event & 1)
        m_gate.gameNote(m_heard);
    else
        m_gate.gameQuiet(m_heard);
}

bool MicrophoneInput::gamesOwn(int note) const {
    return m_gameClasses.load(std::memory_order_acquire) >> (note % 12) & 1;
}

bool MicrophoneInput::counts(int note) const {
    switch (m_verdict) {
    case EchoGate::Verdict::Learning:
        return false;
    case EchoGate::Verdict::Closed:
        return !gamesOwn(note);
    default:
        return true;
    }
}

void MicrophoneInput::hearHop(const float* samples, std::size_t count) {
    followTheGame();
    double squares = 0;
    for (std::size_t k = 0; k < count; ++k)
        if (std::isfinite(samples[k]))
            squares += double(samples[k]) * samples[k];
    // Over 20 ms, longer than the period of the low C: a single hop of a low
    // note swings with its waveform's peaks.
    m_powers[m_nextPower++ % 4] = squares / double(count);
    const double meanSquare = (m_powers[0] + m_powers[1] + m_powers[2] + m_powers[3]) / 4;
    const double levelDb = meanSquare > 1e-20 ? 10.0 * std::log10(meanSquare) : -200.0;
    m_heard += count;

    // The listener first: what it hears now tells whose level this is.
    const std::vector<HeardNote> answers = m_listener->listen(samples, count);
    const int key = m_listener->latestKey();
    m_gate.setHeadphones(m_choices->headphones.load());
    m_verdict = m_gate.hear(levelDb, m_heard, key >= 0 && !gamesOwn(key));
    if (m_verdict == EchoGate::Verdict::SilenceGame)
        m_silenceWish.store(true);
    if (m_verdict == EchoGate::Verdict::SilenceGame || m_verdict == EchoGate::Verdict::Opens) {
        // What the listener made of the game's note until now is forgotten:
        // the pupil's own note is judged from here.
        m_listener->forget();
        return;
    }
    for (const HeardNote& answer : answers) {
        if (!m_running.load() || !counts(answer.note))
            continue;
        m_cents.store(int(std::lround(answer.cents)), std::memory_order_release);
        const uint32_t message = NoteOn | (uint32_t(answer.note & 0x7F) << 8) |
                                 (uint32_t(AnswerVelocity) << 16);
        m_proc(this, MIM_DATA, m_instance, message, 0);
    }
}
