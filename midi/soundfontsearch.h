#pragma once
#include <string>
#include <vector>

// The SoundFont files (.sf2, .sf3, any case) below `root`, in name order;
// empty when the folder cannot be read. Only regular files count: a pipe
// with a SoundFont's name would block the loader for good.
std::vector<std::string> soundFontsUnder(const std::string& root);

// `path` names a regular file (links followed).
bool isRegularFile(const std::string& path);
