// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the round asks of the window that shows it.
class RoundHost {
public:
    virtual ~RoundHost() = default;
    virtual void startRoundTimer() = 0;        // the 10 ms round tick (timer 0)
    virtual void stopRoundTimer() = 0;
    virtual void focusNewTraining() = 0;       // keyboard focus to "NEUES TRAINING"
    virtual void requestRepaint() = 0;         // redraw the view, background not erased
    virtual void setRoundControls(bool running) = 0;
    // An answer to the current note was judged (click, key or MIDI), after
    // its points were counted.
    virtual void answerJudged(bool /*right*/) {}
};
