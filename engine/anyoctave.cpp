// SPDX-License-Identifier: GPL-3.0-or-later
#include "anyoctave.h"

int countedAnswer(int answered, int asked, bool anyOctave) {
    if (anyOctave && answered != asked && (answered - asked) % 12 == 0)
        return asked;
    return answered;
}
