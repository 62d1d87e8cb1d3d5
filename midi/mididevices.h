// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midiplatform.h"
#include "noteinput.h"
#include "notesink.h"

// The MIDI device holder: the open output and input, their numbers, and the
// one-note mailbox between the input's thread and the window's thread.
class MidiDevices final : public NoteSink, public NoteInput {
public:
    // Shows a message box (text, caption) with no owner, OK only, no icon.
    using MessageFn = std::function<void(const std::string& text, const std::string& caption)>;
    // Asks the main window to close once its start-up has run.
    using CloseFn = std::function<void()>;

    explicit MidiDevices(MidiPlatform& platform);
    ~MidiDevices() override; // CloseDevices

    MidiPlatform& platform() { return m_platform; }

    std::unique_ptr<MidiOutPort> outHandle;
    std::unique_ptr<MidiInPort> inHandle;
    int32_t outDevice = 0;
    int32_t inDevice = 0;
    uint8_t initialProgram = 0;
    // Who the devices in use are (MidiPlatform::outIdentity), besides their
    // numbers; empty while none is open.
    std::string outIdentity;
    std::string inIdentity;
    // The device lost from under the program, to go back to when it returns;
    // a choice in the settings forgets it.
    std::string lostOutIdentity;
    std::string lostInIdentity;
    // The input was opened by the program itself, not chosen in the settings.
    bool inChosenByProgram = false;
    // The inputs listed when OpenDevices opened the devices (identities): the
    // ones already there when the program started; any other is new.
    std::vector<std::string> inputsAtOpening;

    void OpenDevices(const std::string& caption, const MessageFn& message, const CloseFn& close);
    // Completes an output opening that OpenDevices put off (the built-in
    // synthesizer waits until the window is shown). If the output cannot be
    // opened after all: the same message as OpenDevices gives, then close.
    // Does nothing when there is no output or it is already complete.
    void finishOpening(const std::string& caption, const MessageFn& message, const CloseFn& close);
    void CloseDevices();
    void SendShortMessage(MidiOutPort* out, uint8_t status, uint8_t data1, uint8_t data2);
    void PlayNote(int note, int velocity) override;
    void Silence() override;

    // Output and input switching (the MIDI settings dialog): close, set the number, open.
    void reopenOutput(int32_t device); // no program change follows
    void reopenInput(int32_t device);  // the new input is not started

    // The open device still reaches what it was opened to (MidiOutPort::reachesDevice).
    bool outputWorks() const { return outHandle && outHandle->reachesDevice(); }
    bool inputWorks() const { return inHandle && inHandle->reachesDevice(); }
    // The input as the program switches it by itself (DeviceKeeper): a
    // running round goes on with it; nothing is forgotten of a lost device.
    // One that takes long to open opens on a thread of its own
    // (MidiPlatform::openInWithoutWaiting).
    void switchInput(int32_t device);
    // The output as the program switches it: no lost device forgotten, and
    // with `sendProgram` the instrument chosen last is sent to it. An opening
    // that takes time (the built-in synthesizer) goes on on a thread of its
    // own; what is sent meanwhile waits for it in order.
    void switchOutput(int32_t device, bool sendProgram);
    // Puts `port`, opened to `device` beside the output in use, in that
    // one's place; no program change follows.
    void takeOutput(int32_t device, std::unique_ptr<MidiOutPort> port);
    // The program of the instrument chosen last (start-up: initialProgram).
    uint8_t chosenProgram() const { return m_chosenProgram; }
    bool inputRunning() const { return m_inputRunning; }
    // Gives the device in use its number in the list as the platform has
    // just counted it (`count` devices); one that is not listed keeps its number.
    void renumberOutput(unsigned count);
    void renumberInput(unsigned count);

    // The instrument choice of the trainer window: an index 0..17 picks `program`
    // from the instrument table, any other index keeps it; then the program change
    // and the preview note a' follow. The caller marks the preview as a free note.
    void chooseInstrument(int index, uint8_t& program);

    // NoteInput
    bool inputOpen() const override { return inHandle != nullptr; }
    void inputReset() override;
    void inputStart() override;
    void inputStop() override;
    void clearMailbox() override;
    int takeNote() override;
    TakenAnswer takenAnswer() const override { return m_taken; }

    // Called by the platform for every incoming message; `instance` is this holder.
    static void MidiInCallback(MidiInPort* port, uint32_t messageId, uintptr_t instance,
                               uint32_t param1, uint32_t param2);

private:
    static void outputFailed(const std::string& caption, const MessageFn& message,
                             const CloseFn& close);
    // With `wait`, the port in use is closed and the opening complete on
    // return; else both may go on on threads of their own
    // (MidiPlatform::closeWithoutWaiting, MidiOutPort::startOpening).
    void openOutput(int32_t device, bool wait = true);
    void openInput(int32_t device, bool wait = true); // as openOutput

    MidiPlatform& m_platform;
    uint8_t m_chosenProgram = 0;
    bool m_inputRunning = false; // started, between a round's start and its end
    // The mailbox: NoNote when empty, else the note number waiting to be judged.
    // The callback stores, the window's thread takes it with an exchange.
    std::atomic<int> m_mailbox{NoNote};
    TakenAnswer m_taken;
};
