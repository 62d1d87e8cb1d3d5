// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A file rewritten where it is (a class's shared list, a list with a second
// name, a folder that takes no new file) first gets its whole new contents
// behind the old ones, marked and checked, and only then is its start written
// over and the file cut to the new length. Killed at any moment, the file
// holds either the old contents untouched at its start with an unfinished
// copy behind them, or a complete copy of the new ones behind whatever its
// start holds. Reading it again takes the whole one back.
namespace rewritecopy {

// Where the copy goes: behind the old contents and behind the new ones, so
// that writing the start over never reaches it.
inline std::size_t placeFor(std::size_t oldSize, std::size_t newSize) {
    return oldSize > newSize ? oldSize : newSize;
}

// The copy of `contents` for a file that held `oldSize` bytes.
std::string make(std::string_view contents, std::size_t oldSize);

struct Found {
    enum Kind { None, Unfinished, Complete };
    Kind kind = None;
    // Complete: the new contents. Unfinished: empty.
    std::string_view contents;
    // The length the file had before: what it must be cut back to when the
    // copy is unfinished (its start is then the old contents, untouched).
    std::size_t oldSize = 0;
};

// Looks for a copy in the bytes of a whole file.
Found find(std::string_view file);

} // namespace rewritecopy
