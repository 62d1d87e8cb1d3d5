// SPDX-License-Identifier: GPL-3.0-or-later
#include "cvelmora01app.h"

int main(int argc, char** argv) {
    CVelmora01App app;
    return app.run(argc, argv);
}
