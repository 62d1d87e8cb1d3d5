// SPDX-License-Identifier: GPL-3.0-or-later
// bare_window: an empty dialog of the trainer window's size, titled as it is,
// shown with exec() as the program shows its window. The yardstick for the
// program's start-up: run both through the same start-up measurement in one
// go and compare the medians, since the machine's own speed drifts.
#include <QApplication>
#include <QDialog>

#include "dialogtemplate.h"
#include "template102.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog window;
    window.setWindowTitle(QStringLiteral("QVB-Zaradariveda 1.1 - Bare window"));
    window.setFixedSize(dlu::x(template102::Width), dlu::y(template102::Height));
    return window.exec();
}
