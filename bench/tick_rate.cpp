// SPDX-License-Identifier: GPL-3.0-or-later
// Tick rate of a running round in the real trainer window: starts a round,
// lets the window's own timers run it for ten seconds on the real clock, and
// counts the ticks by how far the first note has slid (0.5 px per tick).
// Run it under a real X server (xvfb-run) or offscreen.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "cvelmora01dlg.h"
#include "dialogtemplate.h"
#include "fakemidi.h"
#include "steadyclock.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    QTemporaryDir dir;
    SteadyClock clock;
    FakeMidi midi(&clock);
    midi.outputs = {"Recorder"};
    CVelmora01Dlg dlg(midi, clock);
    dlg.setBestListPath(dir.filePath(QStringLiteral("dataGehoer.qvb")));
    dlg.setMessageFn([](QWidget*, const QString&, const QString&) {});
    // A first start shows the help page: close it at once.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            d->accept();
    });
    closer.start(5);
    dlg.initDialog();
    closer.stop();
    dlg.show();

    QElapsedTimer elapsed;
    QTimer::singleShot(500, [&] {
        control(&dlg, 1094)->setFocus();
        qobject_cast<QAbstractButton*>(control(&dlg, 1094))->click();
        elapsed.start();
        QTimer::singleShot(seconds * 1000, [&] {
            const double ms = elapsed.nsecsElapsed() / 1e6;
            const float x = dlg.m_round.m_slots[0].x;
            const double ticks = (913.0 - x) / 0.5;
            std::printf("ticks %.0f in %.1f ms: %.2f ticks per second (target 100 within 1%%)\n",
                        ticks, ms, ticks * 1000.0 / ms);
            dlg.reject();
        });
    });
    dlg.exec();
    return 0;
}
