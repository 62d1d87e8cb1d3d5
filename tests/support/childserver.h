// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// Starts a server of the tests' own (jackd, PulseAudio, PipeWire and their
// helpers) as a child that is sent `deathSignal` when the test process ends,
// even by a crash, so no test leaves a server running behind it. `prepare`
// runs in the child before the program is started (its environment, its
// descriptors); its output and errors go nowhere unless `output` names a file
// for the output. The child's pid, or -1 when it could not be made.
pid_t startChildServer(std::vector<std::string> args, int deathSignal,
                       const std::function<void()>& prepare = {},
                       const std::string& output = {});
