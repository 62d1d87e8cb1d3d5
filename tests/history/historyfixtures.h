// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Rounds made to measure, for the store and the mistake map.
#include <initializer_list>
#include <string>
#include <vector>

#include "roundrecord.h"

// One note asked: the answers given in order (the last one right when
// msToRight >= 0), each by click unless its note is given negative (MIDI).
struct NoteSpec {
    int asked;
    std::vector<int> answers;
    int msToRight = AskedNote::NeverRight;
};

inline RoundRecord makeRound(const std::string& player, std::initializer_list<NoteSpec> notes,
                             bool practice = false) {
    RoundRecord r;
    r.player = player;
    r.instrument = 0;
    r.startNote = 36;
    r.octaves = 4;
    r.accidentals = 1;
    r.practice = practice;
    for (const NoteSpec& n : notes) {
        AskedNote a;
        a.note = uint8_t(n.asked);
        a.firstAnswer = uint32_t(r.answers.size());
        for (int answer : n.answers) {
            const bool midi = answer < 0;
            r.answers.push_back({uint8_t(midi ? -answer : answer),
                                 midi ? AnswerWay::Midi : AnswerWay::Click});
        }
        a.answerCount = uint32_t(n.answers.size());
        a.firstRight = !n.answers.empty() && std::abs(n.answers.front()) == n.asked;
        a.msToRight = n.msToRight;
        r.notes.push_back(a);
    }
    return r;
}
