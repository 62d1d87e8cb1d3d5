// SPDX-License-Identifier: GPL-3.0-or-later
#include "soundfontsearch.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {
bool hasSoundFontExtension(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".sf2" || extension == ".sf3";
}
} // namespace

bool isRegularFile(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_regular_file(path, error);
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return a == b || fs::equivalent(a, b, error);
}

bool looksLikeSoundFont(const std::string& path) {
    if (!isRegularFile(path))
        return false;
    std::ifstream file(path, std::ios::binary);
    char head[12] = {};
    if (!file.read(head, sizeof head))
        return false;
    return std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "sfbk", 4) == 0;
}

std::vector<std::string> soundFontsUnder(const std::string& root) {
    std::vector<std::string> found;
    std::error_code error;
    if (root.empty() || !fs::is_directory(root, error))
        return found;
    // Sound themes live beside the SoundFonts; a few levels are enough and keep
    // a link loop from running on.
    constexpr int MaxDepth = 4;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it.depth() >= MaxDepth)
            it.disable_recursion_pending();
        if (hasSoundFontExtension(it->path()) && isRegularFile(it->path().string()))
            found.push_back(it->path().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool anySoundFontAt(const std::string& preferred, const std::string& root) {
    if (looksLikeSoundFont(preferred))
        return true;
    for (const std::string& path : soundFontsUnder(root)) {
        if (looksLikeSoundFont(path))
            return true;
    }
    return false;
}
