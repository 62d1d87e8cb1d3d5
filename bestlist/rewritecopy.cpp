// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewritecopy.h"

namespace rewritecopy {
namespace {

// Zero bytes begin and end the mark: a list never holds one, so neither the
// old nor the new contents can be taken for a copy.
constexpr std::string_view Mark{"\0QVB-NEUE-LISTE\0", 16};
constexpr std::size_t SizeBytes = 8;
constexpr std::size_t HeadBytes = Mark.size() + 2 * SizeBytes;
constexpr std::size_t SumBytes = 8;
// A list is under 2 KB; a copy that claims more is not ours.
constexpr std::uint64_t MaxContents = 1 << 20;

void putSize(std::string& out, std::uint64_t value) {
    for (std::size_t i = 0; i < SizeBytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

std::uint64_t getSize(std::string_view bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < SizeBytes; ++i)
        value |= std::uint64_t(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return value;
}

// FNV-1a over both sizes and the contents: a copy cut short or torn by a
// power cut does not match.
std::uint64_t checksum(std::string_view head, std::string_view contents) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (std::string_view part : {head, contents})
        for (char c : part) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 0x100000001b3ull;
        }
    return hash;
}

// Where a copy begins whose mark was cut off at the file's end, or npos.
std::size_t cutMarkAt(std::string_view file) {
    for (std::size_t k = Mark.size() - 1; k > 0; --k)
        if (file.size() >= k && file.substr(file.size() - k) == Mark.substr(0, k))
            return file.size() - k;
    return std::string_view::npos;
}

} // namespace

std::string make(std::string_view contents, std::size_t oldSize) {
    std::string out(Mark);
    putSize(out, oldSize);
    putSize(out, contents.size());
    const std::string_view sizes = std::string_view(out).substr(Mark.size());
    const std::uint64_t sum = checksum(sizes, contents);
    out.append(contents);
    putSize(out, sum);
    return out;
}

Found find(std::string_view file) {
    Found found;
    std::size_t at = file.find(Mark);
    if (at == std::string_view::npos)
        at = cutMarkAt(file);
    if (at == std::string_view::npos)
        return found;
    found.kind = Found::Unfinished;
    const std::string_view rest = file.substr(at);
    if (rest.size() < HeadBytes) {
        // Cut off inside its head: the old contents end where the copy
        // begins, less the gap of zeros a longer new list left before it.
        std::size_t end = at;
        while (end > 0 && file[end - 1] == '\0')
            --end;
        found.oldSize = end;
        return found;
    }
    const std::uint64_t oldSize = getSize(rest.substr(Mark.size()));
    const std::uint64_t newSize = getSize(rest.substr(Mark.size() + SizeBytes));
    found.oldSize = oldSize <= at ? static_cast<std::size_t>(oldSize) : at;
    if (newSize > MaxContents || rest.size() < HeadBytes + newSize + SumBytes)
        return found;
    const std::string_view contents = rest.substr(HeadBytes, newSize);
    if (getSize(rest.substr(HeadBytes + newSize)) !=
        checksum(rest.substr(Mark.size(), 2 * SizeBytes), contents))
        return found;
    found.kind = Found::Complete;
    found.contents = contents;
    return found;
}

} // namespace rewritecopy
