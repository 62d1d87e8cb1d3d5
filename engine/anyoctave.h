// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Oktave egal", for singers: a man cannot sing the C'' a soprano sings. With
// it on, an answer in another octave of the asked note's name is taken as if
// it had been given in the asked octave; any other answer stays as it was.
int countedAnswer(int answered, int asked, bool anyOctave);
