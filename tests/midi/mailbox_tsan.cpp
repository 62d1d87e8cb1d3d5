// SPDX-License-Identifier: GPL-3.0-or-later
// The input mailbox under ThreadSanitizer: the platform's thread floods notes
// through the input callback while the window's thread takes them. Every note
// taken must be one that was sent, later than the one taken before (so none is
// judged twice), and the sanitizer must see no race.
#include <atomic>
#include <cstdio>
#include <thread>

#include "fakemidi.h"
#include "mididevices.h"

namespace {
constexpr long Total = 100000;
// The producer runs at most this far ahead of the last note taken, so the
// notes in flight have distinct numbers and each take names one exactly.
constexpr long Window = 100;
} // namespace

int main() {
    FakeMidi platform;
    platform.outputs = {"Synth"};
    platform.inputs = {"Keyboard"};
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    midi.inputReset();
    midi.clearMailbox();
    midi.inputStart();

    std::atomic<long> published{0};     // notes 0..published-1 have gone through the callback
    std::atomic<long> acknowledged{-1}; // index of the last note taken
    std::thread producer([&] {
        for (long i = 0; i < Total; ++i) {
            while (i - acknowledged.load(std::memory_order_acquire) > Window)
                std::this_thread::yield();
            platform.injectBytes(0x90, static_cast<uint8_t>(i % 128), 100);
            // Ignored messages in between must leave the mailbox alone.
            platform.injectBytes(0x80, static_cast<uint8_t>(i % 128), 64);
            published.store(i + 1, std::memory_order_release);
        }
    });

    long last = -1;
    long takes = 0;
    int failures = 0;
    while (last < Total - 1 && failures == 0) {
        const int note = midi.takeNote();
        const long sent = published.load(std::memory_order_acquire);
        if (note == NoteInput::NoNote)
            continue;
        ++takes;
        // The first index after `last` that carries this note number.
        const long first = last + 1;
        const long index = first + ((note - first % 128) % 128 + 128) % 128;
        // The note of `index` is stored before `published` passes index - 1 ... so
        // a genuine take has index <= sent. A stale one lies a whole cycle ahead.
        if (note < 0 || note > 127 || index > sent) {
            std::fprintf(stderr,
                         "taken note %d after index %ld (sent %ld): never sent or judged twice\n",
                         note, last, sent);
            ++failures;
        }
        last = index;
        acknowledged.store(last, std::memory_order_release);
    }
    acknowledged.store(Total, std::memory_order_release); // let the producer finish in any case
    producer.join();

    if (midi.takeNote() != NoteInput::NoNote) {
        std::fprintf(stderr, "a note was left after the last one was taken\n");
        ++failures;
    }
    std::printf("%ld notes sent, %ld taken, %d faults\n", Total, takes, failures);
    return failures == 0 && takes > 0 ? 0 : 1;
}
