// SPDX-License-Identifier: GPL-3.0-or-later
// The mistake map opening over a history of 10,000 rounds: the file opened,
// the player's tallies read, the dialog built and painted once. The history
// is made once and kept in the temporary folder (QVB_BENCH_HISTORY names
// another place); the first opening also loads Qt's SQLite driver.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <cstdio>

#include "cmistakemap.h"
#include "compass.h"
#include "roundhistory.h"
#include "sqlitehistory.h"
#include "viewpainter.h"

namespace {
constexpr int Rounds = 10000;
constexpr int NotesPerRound = 40; // a good round of some 80 s
const char* const Players[] = {"Anna", "Ben", "Carla", "Emil"};

QString historyPath() {
    const QByteArray given = qgetenv("QVB_BENCH_HISTORY");
    return given.isEmpty() ? QDir::temp().filePath(QStringLiteral("qvb-bench-history-10000.sqlite"))
                           : QString::fromLocal8Bit(given);
}

// Rounds of four pupils over a year, most of them Anna's, all compasses.
void makeHistory(const QString& path) {
    QRandomGenerator random(17);
    SqliteHistory store(path);
    const QDateTime start = QDateTime::currentDateTime().addDays(-365);
    for (int n = 0; n < Rounds; ++n) {
        RoundRecord r;
        r.player = Players[n % 3 == 0 ? 0 : random.bounded(4)];
        r.startNote = 36;
        r.octaves = 4;
        r.accidentals = uint16_t(random.bounded(2));
        r.practice = n % 10 == 0;
        for (int i = 0; i < NotesPerRound; ++i) {
            AskedNote a;
            a.note = uint8_t(36 + random.bounded(49));
            a.firstAnswer = uint32_t(r.answers.size());
            const int wrong = random.bounded(10) < 7 ? 0 : 1 + random.bounded(2);
            for (int k = 0; k < wrong; ++k)
                r.answers.push_back({uint8_t(36 + random.bounded(49)), AnswerWay::Click});
            r.answers.push_back({a.note, AnswerWay::Midi});
            a.answerCount = uint32_t(wrong + 1);
            a.firstRight = wrong == 0;
            a.msToRight = 400 + random.bounded(3000);
            r.notes.push_back(a);
        }
        const QDateTime at = start.addSecs(qint64(n) * 365 * 86400 / Rounds);
        store.keepRound(r, at.toSecsSinceEpoch(), RoundHistory::localDay(at));
    }
}

struct Scene {
    Compass compass;
    ViewPainter painter;
    Scene() {
        compass.setAccidentals(1);
        compass.setStartOctave(0);
        compass.setOctaves(4);
        painter.initViewResources();
        painter.createImages();
        painter.composeBackground(compass, true);
    }
};

// From the menu entry to the painted dialog, for a program that has not
// opened its history yet in this run.
void openOnce(Scene& scene, const QString& path) {
    RoundHistory history([] { return QStringLiteral("Anna"); }, [] { return 0; },
                         [path] { return std::make_unique<SqliteHistory>(path); });
    CMistakeMap map(history, QStringLiteral("Anna"), scene.compass, scene.painter.backImage());
    map.show();
    const QPixmap shot = map.grab();
    benchmark::DoNotOptimize(shot.cacheKey());
}

void BM_OpenMistakeMap(benchmark::State& state) {
    Scene scene;
    const QString path = historyPath();
    for (auto _ : state)
        openOnce(scene, path);
}
BENCHMARK(BM_OpenMistakeMap)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString path = historyPath();
    if (!QFile::exists(path)) {
        std::fprintf(stderr, "making %d rounds in %s ...\n", Rounds, qPrintable(path));
        makeHistory(path);
    }
    {
        Scene scene;
        QElapsedTimer first;
        first.start();
        openOnce(scene, path);
        std::printf("first opening in this run (with the SQLite driver loaded): %.1f ms\n",
                    first.nsecsElapsed() / 1e6);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
