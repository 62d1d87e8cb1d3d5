// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// Prepares the process for the sound libraries before any of them runs:
// no JACK server is started on our behalf (libjack would block for seconds
// trying), and libjack's complaints about a missing server stay off the
// terminal. The first call may write the environment, so it must come before
// the program starts a second thread; later calls only read it.
void prepareAudioLibraries();

// False when no JACK server can be running for this user: then the JACK
// ports are not even asked for, which spares a slow failed connection and
// the MIDI library's own warning on the terminal.
bool jackServerMayRun();

// The ALSA sequencer exists and may be opened.
bool alsaSequencerPresent();
