// SPDX-License-Identifier: GPL-3.0-or-later
#include "microphoneinput.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr uint32_t NoteOn = 0x90, NoteOff = 0x80, ControlChange = 0xB0;
constexpr uint32_t AllSoundOff = 0x78, AllNotesOff = 0x7B;

double meanSquare(const float* samples, std::size_t count) {
    double squares = 0;
    for (std::size_t k = 0; k < count; ++k)
        if (std::isfinite(samples[k]))
            squares += double(samples[k]) * samples[k];
    return count ? squares / double(count) : 0.0;
}

// Over the last four hops, 20 ms, longer than the period of the low C: a
// single hop of a low note swings with its waveform's peaks.
double decibels(const double (&powers)[4]) {
    const double mean = (powers[0] + powers[1] + powers[2] + powers[3]) / 4;
    return mean > 1e-20 ? 10.0 * std::log10(mean) : -200.0;
}
} // namespace

std::unique_ptr<MicrophoneInput> MicrophoneInput::create(double sampleRate, MidiInProc proc,
                                                         uintptr_t instance,
                                                         std::shared_ptr<const ListenChoices> choices,
                                                         const GateRules& gate) {
    auto listener = NoteListener::create(sampleRate);
    auto beside = NoteListener::create(sampleRate);
    if (!listener || !beside || !choices)
        return nullptr;
    return std::unique_ptr<MicrophoneInput>(new MicrophoneInput(
        proc, instance, std::move(choices), std::move(listener), std::move(beside), gate));
}

MicrophoneInput::MicrophoneInput(MidiInProc proc, uintptr_t instance,
                                 std::shared_ptr<const ListenChoices> choices,
                                 std::unique_ptr<NoteListener> listener,
                                 std::unique_ptr<NoteListener> beside, const GateRules& gate)
    : m_proc(proc), m_instance(instance), m_choices(std::move(choices)),
      m_listener(std::move(listener)), m_beside(std::move(beside)),
      m_canceller(m_listener->detector().sampleRate(), 20.0),
      m_gate(m_listener->detector().sampleRate(), gate), m_gateRules(gate), m_hop(m_listener->detector().hopSize()) {
    m_partial.reserve(m_hop);
    m_cancelled.resize(m_hop);
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
        m_gameKey.store(int(data1), std::memory_order_relaxed);
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
    m_gameSounds = event & 1;
    m_besideAnswered = false;
    m_canceller.tune(0);
    m_heardCents.clear();
    if (event & 1) {
        m_cancelKey = m_gameKey.load(std::memory_order_relaxed);
        m_gate.gameNote(m_heard);
    } else {
        m_gate.gameQuiet(m_heard);
    }
}

double MicrophoneInput::gamesPitchHz() const {
    // A SoundFont's sample may lie some cents off its key, and the canceller
    // must meet the note's overtones too: its pitch as the microphone heard
    // it while the gate learned it, where it was heard.
    double cents = 0;
    if (!m_heardCents.empty()) {
        std::vector<double> sorted = m_heardCents;
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        cents = sorted[sorted.size() / 2];
    }
    return 440.0 * std::pow(2.0, (m_cancelKey - 69 + cents / 100.0) / 12.0);
}

void MicrophoneInput::answer(const HeardNote& answer) {
    m_cents.store(int(std::lround(answer.cents)), std::memory_order_release);
    const uint32_t message =
        NoteOn | (uint32_t(answer.note & 0x7F) << 8) | (uint32_t(AnswerVelocity) << 16);
    m_proc(this, MIM_DATA, m_instance, message, 0);
}

void MicrophoneInput::listenBeside(const float* samples, std::size_t count) {
    const bool listens = m_gameSounds && m_cancelKey >= 0 && m_verdict == EchoGate::Verdict::Closed;
    if (!listens) {
        m_canceller.tune(0);
        if (m_verdict == EchoGate::Verdict::Learning && m_gameSounds) {
            const int key = m_listener->latestKey();
            if (key >= 0 && key % 12 == m_cancelKey % 12)
                m_heardCents.push_back(100.0 * (m_listener->latestPitch() - key));
        }
    } else if (!m_canceller.tuned()) {
        m_canceller.tune(gamesPitchHz());
        m_beside->forget();
        m_besideHops = 0;
        m_leftQuietestDb = 200;
        m_besideAwake = false;
    }
    // The canceller hears everything, so that it has a period behind it
    // when the game's note is to be taken out.
    m_canceller.process(samples, m_cancelled.data(), count);
    if (!listens || !m_canceller.tuned())
        return;
    m_leftPowers[(m_nextPower + 3) % 4] = meanSquare(m_cancelled.data(), count);
    const double leftDb = decibels(m_leftPowers);
    const double shareDb = leftDb - decibels(m_powers);
    // Its first hops' level still holds sound from before the note was taken out.
    if (++m_besideHops > 4)
        m_leftQuietestDb = std::min(m_leftQuietestDb, leftDb);
    // While what is left is far too faint to be anybody's, this ear rests:
    // it is the pitch detector that costs. Waking, it judges afresh, and
    // wakes early enough to have heard a hold by the time it may answer.
    const bool awake = shareDb >= m_gateRules.leftShareDb - m_gateRules.leftWakeDb;
    if (!awake) {
        m_besideAwake = false;
        return;
    }
    if (!m_besideAwake)
        m_beside->forget();
    m_besideAwake = true;
    // What is left of the game's note (a piano's strings beating, a choir's
    // voices apart, a vibrato) can have a pitch of its own, but it is faint
    // beside the note and follows its level. Somebody else sounds when what
    // is left is a good part of what is heard, and has risen well above what
    // was left when the ear began.
    const bool someoneElse =
        shareDb >= m_gateRules.leftShareDb && leftDb >= m_leftQuietestDb + m_gateRules.leftRiseDb;
    for (const HeardNote& heard : m_beside->listen(m_cancelled.data(), count)) {
        // The game's note itself, or what is left of it, is the gate's to
        // judge. Further off than the reach lie the game's note's own
        // overtones, and the pupil's, whose fundamental was taken out with the
        // game's note's. What was heard before somebody else came in is no
        // answer of theirs: this ear judges them afresh.
        if (!someoneElse || gamesOwn(heard.note) ||
            std::abs(heard.note - m_cancelKey) > m_gateRules.leftReach) {
            m_beside->forget();
            continue;
        }
        if (!m_running.load())
            continue;
        answer(heard);
        m_besideAnswered = true;
        m_besideNote = heard.note;
        m_listener->answeredElsewhere(heard.note);
    }
}

bool MicrophoneInput::gamesOwn(int note) const {
    return m_gameClasses.load(std::memory_order_acquire) >> (note % 12) & 1;
}

bool MicrophoneInput::counts(int note) const {
    switch (m_verdict) {
    case EchoGate::Verdict::Learning:
        return false;
    case EchoGate::Verdict::Closed: {
        // Two notes at once can sound like a third, lower one, whose period
        // both share; the ear that hears the game's note taken out knows
        // better, and once it has answered, it judges the pupil over this note.
        const int beside = m_canceller.tuned() && m_besideAwake ? m_beside->latestKey() : -1;
        return !gamesOwn(note) && !m_besideAnswered &&
               (beside < 0 || beside == note || gamesOwn(beside));
    }
    default:
        return true;
    }
}

void MicrophoneInput::hearHop(const float* samples, std::size_t count) {
    followTheGame();
    m_powers[m_nextPower++ % 4] = meanSquare(samples, count);
    const double levelDb = decibels(m_powers);
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
        // the pupil's own note is judged from here, unless it was judged
        // already over the game's note.
        m_listener->forget();
        if (m_besideAnswered)
            m_listener->answeredElsewhere(m_besideNote);
        m_besideAnswered = false;
        m_canceller.tune(0);
        m_canceller.process(samples, m_cancelled.data(), count);
        return;
    }
    for (const HeardNote& heard : answers) {
        if (!m_running.load() || !counts(heard.note))
            continue;
        answer(heard);
        m_beside->answeredElsewhere(heard.note);
    }
    listenBeside(samples, count);
}
