// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "roundrecord.h"

// Where a round's record goes once the round is over, ended or cancelled.
class RoundArchive {
public:
    virtual ~RoundArchive() = default;
    // Who is training, and with which sound: asked as a round starts.
    virtual void describePlayer(RoundRecord& record) = 0;
    virtual void keepRound(RoundRecord&& record) = 0;
};
