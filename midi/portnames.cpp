// SPDX-License-Identifier: GPL-3.0-or-later
#include "portnames.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <set>

namespace {

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Byte offset where character number `index` starts (text.size() past the end).
std::size_t offsetOfChar(const std::string& text, std::size_t index) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isContinuation(static_cast<unsigned char>(text[i])))
            continue;
        if (chars == index)
            return i;
        ++chars;
    }
    return text.size();
}

std::string trimRight(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

bool isDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](unsigned char c) { return std::isdigit(c) != 0; });
}

// "20:0" as ALSA appends it to its port names.
bool isAlsaAddress(const std::string& text) {
    const auto colon = text.find(':');
    return colon != std::string::npos && isDigits(text.substr(0, colon)) &&
           isDigits(text.substr(colon + 1));
}

std::string shortAlsaName(const std::string& clientAndPort, const std::string& address) {
    const auto colon = clientAndPort.find(':');
    std::string body = clientAndPort;
    if (colon != std::string::npos) {
        const std::string client = clientAndPort.substr(0, colon);
        const std::string port = clientAndPort.substr(colon + 1);
        // "USB Keyboard:USB Keyboard MIDI 1": the port name already says the client.
        if (port.compare(0, client.size(), client) == 0)
            body = port;
    }
    const std::size_t addressLength = utf8Length(address);
    if (addressLength + 1 >= MaxPortNameLength)
        return utf8Left(address, MaxPortNameLength);
    const std::size_t room = MaxPortNameLength - 1 - addressLength;
    return trimRight(utf8Left(body, room)) + " " + address;
}

std::string shortJackName(const std::string& fullName) {
    const auto colon = fullName.find(':');
    if (colon == std::string::npos)
        return utf8Left(fullName, MaxPortNameLength);
    const std::string client = fullName.substr(0, colon);
    const std::string port = fullName.substr(colon + 1);
    const std::size_t portLength = utf8Length(port);
    // The port part tells the ports of one client apart; keep it whole when a
    // few characters of the client still fit before it.
    constexpr std::size_t MinClientChars = 4;
    if (portLength + 1 + MinClientChars <= MaxPortNameLength)
        return utf8Left(client, MaxPortNameLength - 1 - portLength) + ":" + port;
    std::string tail = utf8Right(fullName, MaxPortNameLength);
    tail.erase(0, tail.find_first_not_of(' '));
    return tail;
}

} // namespace

std::size_t utf8Length(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return !isContinuation(static_cast<unsigned char>(c));
    }));
}

std::string utf8Left(const std::string& text, std::size_t count) {
    return text.substr(0, offsetOfChar(text, count));
}

std::string utf8Right(const std::string& text, std::size_t count) {
    const std::size_t length = utf8Length(text);
    if (count >= length)
        return text;
    return text.substr(offsetOfChar(text, length - count));
}

std::string shortPortName(const std::string& fullName) {
    const auto blank = fullName.rfind(' ');
    if (blank != std::string::npos && isAlsaAddress(fullName.substr(blank + 1)))
        return shortAlsaName(fullName.substr(0, blank), fullName.substr(blank + 1));
    if (utf8Length(fullName) <= MaxPortNameLength)
        return fullName;
    return shortJackName(fullName);
}

void makeNamesDistinct(std::vector<std::string>& names) {
    std::set<std::string> taken;
    for (auto& name : names) {
        if (taken.insert(name).second)
            continue;
        for (int number = 2;; ++number) {
            const std::string suffix = " #" + std::to_string(number);
            const std::string candidate =
                trimRight(utf8Left(name, MaxPortNameLength - suffix.size())) + suffix;
            if (taken.insert(candidate).second) {
                name = candidate;
                break;
            }
        }
    }
}

bool isPortOfClient(const std::string& fullName, const std::string& client) {
    return fullName.compare(0, client.size(), client) == 0 && fullName.size() > client.size() &&
           (fullName[client.size()] == ':' || fullName[client.size()] == '-');
}

bool isMidiThrough(const std::string& fullName) {
    return fullName.find("Midi Through") != std::string::npos;
}

bool alsaAddressOf(const std::string& fullName, int& client, int& port) {
    const auto blank = fullName.rfind(' ');
    if (blank == std::string::npos || !isAlsaAddress(fullName.substr(blank + 1)))
        return false;
    const std::string address = fullName.substr(blank + 1);
    const char* const end = address.data() + address.size();
    const auto clientPart = std::from_chars(address.data(), end, client);
    if (clientPart.ec != std::errc() || clientPart.ptr == end || *clientPart.ptr != ':')
        return false; // more digits than a number holds
    const auto portPart = std::from_chars(clientPart.ptr + 1, end, port);
    return portPart.ec == std::errc() && portPart.ptr == end;
}

int findIdentity(const std::vector<std::string>& list, const std::string& identity) {
    if (identity.empty())
        return -1;
    const auto exact = std::find(list.begin(), list.end(), identity);
    if (exact != list.end())
        return int(exact - list.begin());
    const std::string name = withoutAddress(identity);
    for (std::size_t k = 0; k < list.size(); ++k)
        if (!list[k].empty() && withoutAddress(list[k]) == name)
            return int(k);
    return -1;
}

std::string withoutAddress(const std::string& fullName) {
    const auto blank = fullName.rfind(' ');
    if (blank != std::string::npos && isAlsaAddress(fullName.substr(blank + 1)))
        return fullName.substr(0, blank);
    return fullName;
}
