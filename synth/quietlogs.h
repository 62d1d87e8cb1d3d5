// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// While a thread tries the audio drivers in turn, or tries its sound server's
// driver again and again while the server is away, each failure would be
// printed: the terminal would fill with PulseAudio's and ALSA's complaints.
// FluidSynth's and ALSA's log hooks belong to the whole process and are read,
// without a lock, by every thread that logs (the audio thread among them), so
// they are set once, before the synthesizer's first thread starts, and never
// swapped after. Each hook asks whether the thread that logs is trying
// quietly; every other thread keeps its say, as with the libraries' own hooks.
void installQuietableLogs();

// What the libraries say on this thread while it lives is dropped.
class QuietOnThisThread {
public:
    QuietOnThisThread();
    ~QuietOnThisThread();
    QuietOnThisThread(const QuietOnThisThread&) = delete;
    QuietOnThisThread& operator=(const QuietOnThisThread&) = delete;
};
