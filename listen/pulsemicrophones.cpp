// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulsemicrophones.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "microphoneinput.h"
#include "pulsecapture.h"
#include "pulselink.h"

namespace {

// The input and the capture that feeds it, closed capture first.
class CapturedInput final : public MidiInPort {
public:
    CapturedInput(std::unique_ptr<MicrophoneInput> input) : m_input(std::move(input)) {}
    ~CapturedInput() override { m_capture.reset(); }
    bool attach(const std::shared_ptr<PulseLink>& link) {
        MicrophoneInput* input = m_input.get();
        m_capture = PulseCapture::open(
            link, [input](const float* samples, std::size_t count) { input->hear(samples, count); });
        if (!m_capture)
            return false;
        PulseCapture* capture = m_capture.get();
        m_input->setAlive([capture, link] { return capture->alive() && link->hasSource(); });
        return true;
    }
    void reset() override { m_input->reset(); }
    void start() override { m_input->start(); }
    void stop() override { m_input->stop(); }
    bool reachesDevice() const override { return m_input->reachesDevice(); }
    void outputSent(uint32_t message) override { m_input->outputSent(message); }
    bool wantsSilence() override { return m_input->wantsSilence(); }
    TakenAnswer latestAnswer() const override { return m_input->latestAnswer(); }

private:
    std::unique_ptr<MicrophoneInput> m_input;
    std::unique_ptr<PulseCapture> m_capture;
};

// The loudest mean square of the last tenth of a second, as dBFS.
class CapturedMeter final : public LevelMeter {
public:
    bool attach(const std::shared_ptr<PulseLink>& link) {
        m_capture = PulseCapture::open(
            link, [this](const float* samples, std::size_t count) { hear(samples, count); });
        return m_capture != nullptr;
    }
    ~CapturedMeter() override { m_capture.reset(); }
    double levelDb() const override { return m_levelDb.load(); }

private:
    static constexpr std::size_t Span = std::size_t(PulseCapture::SampleRate / 10);
    void hear(const float* samples, std::size_t count) {
        for (std::size_t k = 0; k < count; ++k) {
            const double s = std::isfinite(samples[k]) ? samples[k] : 0.0;
            m_squares += s * s;
            if (++m_count == Span / 4) {
                // Four quarters make the span; the loudest of them shows.
                m_quarters[m_next++ % 4] = m_squares / double(m_count);
                m_squares = 0;
                m_count = 0;
                const double loudest = *std::max_element(m_quarters, m_quarters + 4);
                m_levelDb.store(loudest > 1e-20 ? 10.0 * std::log10(loudest) : -200.0);
            }
        }
    }
    std::unique_ptr<PulseCapture> m_capture;
    double m_squares = 0;
    std::size_t m_count = 0;
    double m_quarters[4] = {};
    unsigned m_next = 0;
    std::atomic<double> m_levelDb{-200.0};
};

} // namespace

PulseMicrophones::PulseMicrophones() : m_link(std::make_shared<PulseLink>()) {}

PulseMicrophones::~PulseMicrophones() {
    m_link->onChange({});
}

bool PulseMicrophones::hasSource() const {
    return m_link->hasSource();
}

void PulseMicrophones::waitForServer(int ms) {
    m_link->waitForServer(ms);
}

void PulseMicrophones::onChange(std::function<void()> changed) {
    m_link->onChange(std::move(changed));
}

std::unique_ptr<MidiInPort> PulseMicrophones::openInput(MidiInProc proc, uintptr_t instance,
                                                        std::shared_ptr<const ListenChoices> choices) {
    if (!m_link->hasSource())
        return nullptr;
    auto input = MicrophoneInput::create(PulseCapture::SampleRate, proc, instance, std::move(choices));
    if (!input)
        return nullptr;
    auto captured = std::make_unique<CapturedInput>(std::move(input));
    if (!captured->attach(m_link))
        return nullptr;
    return captured;
}

std::unique_ptr<LevelMeter> PulseMicrophones::openMeter() {
    auto meter = std::make_unique<CapturedMeter>();
    if (!m_link->hasSource() || !meter->attach(m_link))
        return nullptr;
    return meter;
}
