// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// The SoundFont files (.sf2, .sf3, any case) below `root`, in name order;
// empty when the folder cannot be read. Only regular files count: a pipe
// with a SoundFont's name would block the loader for good.
std::vector<std::string> soundFontsUnder(const std::string& root);

// Both name the same file.
bool sameFile(const std::string& a, const std::string& b);

// `path` names a regular file (links followed).
bool isRegularFile(const std::string& path);

// A regular file that starts like a SoundFont ("RIFF", size, "sfbk"). Other
// files are passed over before the synthesizer's loaders try, and complain.
bool looksLikeSoundFont(const std::string& path);

// Something to read at once: `preferred`, else a file below `root` that looks
// like a SoundFont.
bool anySoundFontAt(const std::string& preferred, const std::string& root);
