// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the best-list file reader: whatever the bytes, the
// reader must not write beyond a name field, must leave the list untouched
// when it refuses, and a list it accepts must write and read back unchanged.
#include "bestlistformat.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

BestList marked() {
    BestList list;
    for (auto& column : list.columns)
        for (BestEntry& entry : column) {
            entry.setName("untouched");
            entry.points = -12345;
        }
    return list;
}

void require(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks a read limit, so that the cut-off rule of a big file is tried too.
    const std::size_t limit = data[0] == 0xFF ? size : data[0];
    std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (bytes.size() > limit + 1)
        bytes = bytes.substr(0, limit + 1);

    BestList list = marked();
    std::string name = "before";
    if (!bestlistformat::parseFileStart(bytes, limit, list, name)) {
        require(list == marked() && name == "before");
        return 0;
    }
    require(bestlistformat::isStorableName(name));
    for (const auto& column : list.columns)
        for (const BestEntry& entry : column)
            require(bestlistformat::isStorableName(
                std::string_view(entry.name, strnlen(entry.name, sizeof entry.name))));

    const std::string text = bestlistformat::format(list, name);
    BestList again;
    std::string nameAgain;
    require(bestlistformat::parse(text, again, nameAgain));
    require(again == list && nameAgain == name);
    require(bestlistformat::format(again, nameAgain) == text);
    return 0;
}
