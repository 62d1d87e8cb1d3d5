// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <sys/types.h>

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

// The socket a sound server listens on for the audio driver `driver`
// ("pulseaudio": PULSE_SERVER's "unix:" path or the runtime folder's
// pulse/native, which PipeWire serves too; "jack": the JACK server's);
// empty for drivers that talk to no server.
std::string soundServerSocket(const std::string& driver);

// The server behind a socket as it is now: 0 when there is none, else a
// number that changes when the server is started anew (the socket's inode:
// a new server makes a new socket file). With `knock`, a server that crashed
// and left its socket behind counts as none; that costs the server a
// connection, the rest only a look at the file.
ino_t soundServerMark(const std::string& socketPath, bool knock);
