// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// What a round leaves behind for the mistake map: every note asked, every
// answer given to it, and who played it with which compass and sound.
enum class AnswerWay : uint8_t { Click = 0, Midi = 1, Keyboard = 2, Microphone = 3 };

struct RecordedAnswer {
    uint8_t note = 0; // the note the pupil named (MIDI number)
    AnswerWay way = AnswerWay::Click;
    int8_t cents = 0; // sung or played into the microphone: how far off the note it was
};

struct AskedNote {
    static constexpr int32_t NeverRight = -1;

    uint8_t note = 0;          // the note asked
    uint32_t firstAnswer = 0;  // index of its first answer in RoundRecord::answers
    uint32_t answerCount = 0;  // answers kept for it, the right one included
    bool firstRight = false;   // the first answer was the right one
    int32_t msToRight = NeverRight; // from the note's first sounding to the right answer
};

struct RoundRecord {
    enum class Ending : uint8_t { Ended = 0, Cancelled = 1 };

    std::string player; // UTF-8
    int instrument = 0; // General MIDI program of the instrument choice
    uint16_t startNote = 60;
    uint16_t octaves = 1;
    uint16_t accidentals = 0;
    bool practice = false;
    Ending ending = Ending::Ended;
    std::vector<AskedNote> notes;       // in the order they were asked
    std::vector<RecordedAnswer> answers; // note after note

    std::span<const RecordedAnswer> answersOf(const AskedNote& asked) const {
        if (asked.firstAnswer >= answers.size())
            return {};
        const size_t count = std::min<size_t>(asked.answerCount, answers.size() - asked.firstAnswer);
        return {answers.data() + asked.firstAnswer, count};
    }
};
