// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

class Compass;
class KeyCue;
class TrainingRound;

// The trainer view in words, for a screen reader: what just happened (an
// answer's verdict with the points, a round's start or end), then the cell
// under the keyboard's cue, the points and whether a round runs. The asked
// note's name is never told: a seeing pupil does not see it either.
class ViewWords {
public:
    static QString points(unsigned points);              // "1 Punkt", "5 Punkte"
    static QString verdict(bool right, unsigned points); // "Richtig, 5 Punkte"
    static QString roundStarted();                       // "Runde beginnt"
    static QString roundEnded();                         // "Runde zu Ende"
    static QString roundCancelled();                     // "Runde abgebrochen"
    static QString cue(const KeyCue& cue, const Compass& compass); // "Zeiger auf C'"
    // `news` first (may be empty), then the standing facts. After a verdict
    // the points are already in the news, and the cue's cell is left out:
    // after a right answer by key it is the asked note's name.
    static QString describe(const QString& news, bool newsIsVerdict, const TrainingRound& round,
                            const KeyCue& cue, const Compass& compass);
};
