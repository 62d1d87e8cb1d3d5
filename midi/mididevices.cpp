// SPDX-License-Identifier: GPL-3.0-or-later
#include "mididevices.h"

#include "instruments.h"

namespace {
constexpr uint8_t ProgramChange = 0xC0;
constexpr uint8_t NoteOn = 0x90;
constexpr uint8_t ControlChange = 0xB0;
constexpr uint8_t AllSoundOff = 0x78;
constexpr int PreviewNote = 69; // a', the A above middle C
constexpr int PreviewVelocity = 100;

const char* const OpenFailedText = "Das benötigte MIDI-Ausgabegerät konnte leider nicht geöffnet "
                                   "werden.\n                 Das Programm wird nun geschlossen.";
} // namespace

MidiDevices::MidiDevices(MidiPlatform& platform) : m_platform(platform) {}

MidiDevices::~MidiDevices() {
    CloseDevices();
}

void MidiDevices::OpenDevices(const std::string& caption, const MessageFn& message,
                              const CloseFn& close) {
    // Without an output the game cannot sound a single note: tell the pupil and end.
    // The input side is opened all the same; the window's start-up runs to its end.
    auto failed = [&] { outputFailed(caption, message, close); };
    if (m_platform.outCount() == 0) {
        failed();
    } else {
        outHandle = m_platform.openOut(static_cast<unsigned>(outDevice));
        m_chosenProgram = initialProgram;
        if (outHandle) {
            outIdentity = m_platform.outIdentity(static_cast<unsigned>(outDevice));
            SendShortMessage(outHandle.get(), ProgramChange, initialProgram, 0);
        } else {
            failed();
        }
    }

    const unsigned inputs = m_platform.inCount();
    inputsAtOpening.clear();
    for (unsigned k = 0; k < inputs; ++k)
        inputsAtOpening.push_back(m_platform.inIdentity(k));
    if (inputs == 0 || !m_platform.inOpensUnasked(0))
        return; // no MIDI input: answers come from the mouse only
    openInput(0);
    inChosenByProgram = true;
}

void MidiDevices::finishOpening(const std::string& caption, const MessageFn& message,
                                const CloseFn& close) {
    if (outHandle && !outHandle->finishOpening()) {
        outHandle.reset();
        outputFailed(caption, message, close);
    }
}

void MidiDevices::outputFailed(const std::string& caption, const MessageFn& message,
                               const CloseFn& close) {
    if (message)
        message(OpenFailedText, caption);
    if (close)
        close();
}

void MidiDevices::CloseDevices() {
    outHandle.reset();
    inHandle.reset();
    outIdentity.clear();
    inIdentity.clear();
}

void MidiDevices::SendShortMessage(MidiOutPort* out, uint8_t status, uint8_t data1, uint8_t data2) {
    if (!out)
        return;
    const uint32_t message = packShortMessage(status, data1, data2);
    out->sendShort(message);
    // What sounds in the room reaches a microphone too.
    if (inHandle && out == outHandle.get())
        inHandle->outputSent(message);
}

void MidiDevices::PlayNote(int note, int velocity) {
    // Data bytes have seven bits; anything wider would turn into a status byte.
    SendShortMessage(outHandle.get(), NoteOn, static_cast<uint8_t>(note & 0x7F),
                     static_cast<uint8_t>(velocity & 0x7F));
}

void MidiDevices::Silence() {
    SendShortMessage(outHandle.get(), ControlChange, AllSoundOff, 0);
}

void MidiDevices::reopenOutput(int32_t device) {
    lostOutIdentity.clear(); // the pupil's choice counts from now on
    openOutput(device);
}

void MidiDevices::reopenInput(int32_t device) {
    lostInIdentity.clear();
    inChosenByProgram = false;
    openInput(device);
}

void MidiDevices::switchOutput(int32_t device, bool sendProgram) {
    openOutput(device, false);
    if (sendProgram)
        SendShortMessage(outHandle.get(), ProgramChange, m_chosenProgram, 0);
}

void MidiDevices::takeOutput(int32_t device, std::unique_ptr<MidiOutPort> port) {
    outHandle = std::move(port); // the one that stood in closes now
    outDevice = device;
    outIdentity = m_platform.outIdentity(static_cast<unsigned>(device));
}

void MidiDevices::switchInput(int32_t device) {
    openInput(device, false);
    inChosenByProgram = true;
    // Within a round the new input answers at once; the mailbox is left
    // alone, so a note already taken is not judged again.
    if (m_inputRunning && inHandle)
        inHandle->start();
}

void MidiDevices::openOutput(int32_t device, bool wait) {
    if (wait)
        outHandle.reset();
    else
        m_platform.closeWithoutWaiting(std::move(outHandle));
    outIdentity.clear();
    outDevice = device;
    if (device >= 0)
        outHandle = m_platform.openOut(static_cast<unsigned>(device));
    // Chosen in the settings, the device is wanted now: nothing is put off.
    // Switched by the program in the middle of a round, the window must not
    // wait for it.
    if (outHandle && !wait)
        outHandle->startOpening();
    else if (outHandle && !outHandle->finishOpening())
        outHandle.reset();
    if (outHandle)
        outIdentity = m_platform.outIdentity(static_cast<unsigned>(device));
}

void MidiDevices::openInput(int32_t device, bool wait) {
    if (wait)
        inHandle.reset();
    else
        m_platform.closeWithoutWaiting(std::move(inHandle));
    inIdentity.clear();
    inDevice = device;
    const auto instance = reinterpret_cast<uintptr_t>(this);
    if (device >= 0 && wait)
        inHandle = m_platform.openIn(static_cast<unsigned>(device), &MidiDevices::MidiInCallback,
                                     instance);
    else if (device >= 0)
        inHandle = m_platform.openInWithoutWaiting(static_cast<unsigned>(device),
                                                   &MidiDevices::MidiInCallback, instance);
    if (inHandle)
        inIdentity = m_platform.inIdentity(static_cast<unsigned>(device));
}

namespace {
template <class IdentityOf>
void findNumber(const std::string& identity, unsigned count, IdentityOf identityOf,
                int32_t& number) {
    if (identity.empty())
        return;
    for (unsigned k = 0; k < count; ++k) {
        if (identityOf(k) == identity) {
            number = int32_t(k);
            return;
        }
    }
}
} // namespace

void MidiDevices::renumberOutput(unsigned count) {
    findNumber(outIdentity, count, [this](unsigned k) { return m_platform.outIdentity(k); },
               outDevice);
}

void MidiDevices::renumberInput(unsigned count) {
    findNumber(inIdentity, count, [this](unsigned k) { return m_platform.inIdentity(k); },
               inDevice);
}

void MidiDevices::chooseInstrument(int index, uint8_t& program) {
    if (index >= 0 && index < InstrumentCount)
        program = Instruments[index].program;
    m_chosenProgram = program;
    SendShortMessage(outHandle.get(), ProgramChange, program, 0);
    PlayNote(PreviewNote, PreviewVelocity);
}

void MidiDevices::inputReset() {
    m_inputRunning = false;
    if (inHandle)
        inHandle->reset();
}

void MidiDevices::inputStart() {
    m_inputRunning = true;
    if (inHandle)
        inHandle->start();
}

void MidiDevices::inputStop() {
    m_inputRunning = false;
    if (inHandle)
        inHandle->stop();
}

void MidiDevices::clearMailbox() {
    m_mailbox.store(NoNote, std::memory_order_release);
}

int MidiDevices::takeNote() {
    // The pupil has begun to sing over the game's note: it falls silent, as
    // "Ruhe jetzt!" makes it, so that what is judged is the pupil's alone.
    if (inHandle && inHandle->wantsSilence())
        Silence();
    const int note = m_mailbox.exchange(NoNote, std::memory_order_acq_rel);
    if (note != NoNote)
        m_taken = inHandle ? inHandle->latestAnswer() : TakenAnswer{};
    return note;
}

// Runs on the input's own thread (JACK's real-time thread, the ALSA reader):
// it touches nothing but the mailbox, one atomic store, so it never waits,
// allocates or calls the system.
void MidiDevices::MidiInCallback(MidiInPort*, uint32_t messageId, uintptr_t instance,
                                 uint32_t param1, uint32_t) {
    if (messageId != MIM_DATA || instance == 0)
        return;
    const uint32_t status = param1 & 0xFF;
    const int note = static_cast<int>((param1 >> 8) & 0xFF);
    const uint32_t velocity = (param1 >> 16) & 0xFF;
    if (status != 0x90 || velocity == 0)
        return; // only a sounding note-on on channel 1 answers
    reinterpret_cast<MidiDevices*>(instance)->m_mailbox.store(note, std::memory_order_release);
}
