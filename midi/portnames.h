// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// Names of external MIDI ports as the settings dialog lists them: at most
// MaxPortNameLength characters, and still telling the ports apart.
inline constexpr std::size_t MaxPortNameLength = 31;

// The shown name of one port, from the name the MIDI system gives it.
// ALSA names ("client:port 20:0") lose the client name where the port name
// repeats it and keep their address; JACK names ("client:port") keep the port
// part and shorten the client part.
std::string shortPortName(const std::string& fullName);

// Makes equal names in one list distinct by a number at their end (" #2"),
// staying within MaxPortNameLength characters.
void makeNamesDistinct(std::vector<std::string>& names);

// Length in characters of UTF-8 text.
std::size_t utf8Length(const std::string& text);
// The first `count` characters of UTF-8 text, never cutting a character in two.
std::string utf8Left(const std::string& text, std::size_t count);
// The last `count` characters of UTF-8 text.
std::string utf8Right(const std::string& text, std::size_t count);

// Whether `fullName` is a port of the client `client`: "client:port", or
// "client-01:port" for a second client of that name, as JACK renames it.
bool isPortOfClient(const std::string& fullName, const std::string& client);

// ALSA's "Midi Through" only echoes what other programs send.
bool isMidiThrough(const std::string& fullName);

// The port's name without the address ALSA appends ("client:port 20:0"):
// an instrument plugged in again may get another client number.
std::string withoutAddress(const std::string& fullName);
// The sequencer address ALSA appends to the name; false when there is none.
bool alsaAddressOf(const std::string& fullName, int& client, int& port);

// Where the device `identity` is in `list` (identities as the platform gives
// them, ALSA's with the sequencer address at their end): the same name at the
// same address first, so that two keyboards of one name are each themselves;
// else the first of the same name wherever it is now, as after a replug.
// -1 when neither is listed.
int findIdentity(const std::vector<std::string>& list, const std::string& identity);
