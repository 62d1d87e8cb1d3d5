// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The application: one trainer window, shown modally; the program ends when it closes.
class CVelmora01App {
public:
    int run(int argc, char** argv);
};
