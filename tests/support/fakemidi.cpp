// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakemidi.h"

#include <algorithm>

namespace {
// A port reaches its device while a device of that name is listed and its link was not cut.
bool reaches(const std::vector<std::string>& listed, const std::set<std::string>& cut,
             const std::string& name) {
    return std::find(listed.begin(), listed.end(), name) != listed.end() && !cut.count(name);
}
} // namespace

class FakeMidi::OutPort final : public MidiOutPort {
public:
    OutPort(FakeMidi& midi, unsigned device, bool withoutWaiting = false)
        : m_midi(midi), m_device(device), m_name(midi.outputs[device]),
          m_withoutWaiting(withoutWaiting) {
        ++m_midi.outOpens;
        ++m_midi.m_openOutputs;
    }
    ~OutPort() override {
        ++m_midi.outCloses;
        --m_midi.m_openOutputs;
    }
    void sendShort(uint32_t message) override {
        const uint32_t time = m_midi.m_clock ? m_midi.m_clock->now() : 0;
        m_midi.sent.push_back({m_device, message, time});
        if (m_midi.onSent)
            m_midi.onSent(message);
    }
    bool finishOpening() override {
        ++m_midi.finishOpenings;
        return m_midi.lateFailingOutputs.count(m_device) == 0;
    }
    void startOpening() override { ++m_midi.startOpenings; }
    bool stillOpening() const override { return m_withoutWaiting && m_midi.outputsStillOpening; }
    bool reachesDevice() const override {
        return reaches(m_midi.outputs, m_midi.cutLinks, m_name);
    }

private:
    FakeMidi& m_midi;
    unsigned m_device;
    std::string m_name;
    bool m_withoutWaiting;
};

class FakeMidi::InPort final : public MidiInPort {
public:
    InPort(FakeMidi& midi, unsigned device, MidiInProc proc, uintptr_t instance)
        : device(device), proc(proc), instance(instance), m_midi(midi),
          m_name(midi.inputs[device]) {
        ++m_midi.inOpens;
    }
    ~InPort() override {
        InPort* self = this;
        m_midi.m_input.compare_exchange_strong(self, nullptr);
        ++m_midi.inCloses;
    }
    void reset() override {
        ++m_midi.inResets;
        started.store(false);
    }
    void start() override {
        ++m_midi.inStarts;
        started.store(true);
    }
    void stop() override {
        ++m_midi.inStops;
        started.store(false);
    }
    bool reachesDevice() const override { return reaches(m_midi.inputs, m_midi.cutLinks, m_name); }

    const unsigned device;
    const MidiInProc proc;
    const uintptr_t instance;
    std::atomic<bool> started{false};

private:
    FakeMidi& m_midi;
    std::string m_name;
};

FakeMidi::FakeMidi(MsClock* clock) : m_clock(clock) {}

FakeMidi::~FakeMidi() = default;

std::vector<uint32_t> FakeMidi::messages() const {
    std::vector<uint32_t> result;
    for (const auto& s : sent)
        result.push_back(s.message);
    return result;
}

bool FakeMidi::inputStarted() const {
    InPort* input = m_input.load();
    return input && input->started.load();
}

int FakeMidi::openInputDevice() const {
    InPort* input = m_input.load();
    return input ? static_cast<int>(input->device) : -1;
}

bool FakeMidi::inject(uint32_t message, uint32_t messageId) {
    InPort* input = m_input.load();
    if (!input || !input->started.load())
        return false;
    input->proc(input, messageId, input->instance, message, 0);
    return true;
}

unsigned FakeMidi::outCount() {
    ++outCountCalls;
    return static_cast<unsigned>(outputs.size());
}

unsigned FakeMidi::inCount() {
    ++inCountCalls;
    return static_cast<unsigned>(inputs.size());
}

bool FakeMidi::outName(unsigned device, std::string& name) {
    if (device >= outputs.size())
        return false;
    name = outputs[device];
    return true;
}

bool FakeMidi::inName(unsigned device, std::string& name) {
    if (device >= inputs.size())
        return false;
    name = inputs[device];
    return true;
}

std::unique_ptr<MidiOutPort> FakeMidi::openOut(unsigned device) {
    if (device >= outputs.size() || failingOutputs.count(device))
        return nullptr;
    return std::make_unique<OutPort>(*this, device);
}

std::unique_ptr<MidiOutPort> FakeMidi::openOutWithoutWaiting(unsigned device) {
    if (device >= outputs.size() || failingOutputs.count(device))
        return nullptr;
    return std::make_unique<OutPort>(*this, device, true);
}

std::unique_ptr<MidiInPort> FakeMidi::openIn(unsigned device, MidiInProc proc, uintptr_t instance) {
    if (device >= inputs.size() || failingInputs.count(device) || !proc)
        return nullptr;
    auto port = std::make_unique<InPort>(*this, device, proc, instance);
    m_input.store(port.get());
    return port;
}
