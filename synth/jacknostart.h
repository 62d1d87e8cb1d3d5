// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// No JACK server is ever started on the program's behalf: libjack would
// block for seconds trying. This writes the environment once, when it is
// not set so already, and must therefore run before the program starts a
// second thread; later calls only read it. Needs none of the sound
// libraries, so the program can do it before it has loaded any of them.
void forbidJackServerStart();
