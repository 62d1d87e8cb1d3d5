// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// While the audio drivers are tried in turn, or a sound server's driver is
// tried again and again while the server is away, each failure would be
// printed: the terminal would fill with PulseAudio's and ALSA's complaints.
// FluidSynth's and ALSA's log hooks belong to the whole process and are read,
// without a lock, by every thread that logs (the audio thread among them), so
// they are set once, before the synthesizer's first thread starts, and not
// swapped after (but see QuietWhileTrying for a test's second copy). The
// hooks drop what is said while a trial runs, on any thread: SDL's audio
// starts threads of its own that report ALSA's complaints while it is tried.
// At other times everything is printed, as by the libraries' own hooks.
void installQuietableLogs();

// What the libraries say while it lives is dropped.
class QuietWhileTrying {
public:
    QuietWhileTrying();
    ~QuietWhileTrying();
    QuietWhileTrying(const QuietWhileTrying&) = delete;
    QuietWhileTrying& operator=(const QuietWhileTrying&) = delete;
};
