// SPDX-License-Identifier: GPL-3.0-or-later
// The paint that follows every 10 ms tick, against the floor of a bare copy
// of the back image; the background composition; the OR-copy of the tall bar.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>

#include "compass.h"
#include "msclock.h"
#include "noteinput.h"
#include "notesink.h"
#include "rasterops.h"
#include "roundhost.h"
#include "traininground.h"
#include "viewpainter.h"

namespace {
class QuietSink final : public NoteSink {
public:
    void PlayNote(int, int) override {}
    void Silence() override {}
};
class NoInput final : public NoteInput {
public:
    bool inputOpen() const override { return false; }
    void inputReset() override {}
    void inputStart() override {}
    void inputStop() override {}
    void clearMailbox() override {}
    int takeNote() override { return NoNote; }
};
class StillClock final : public MsClock {
public:
    uint32_t now() override { return 0; }
};
class NoHost final : public RoundHost {
public:
    void startRoundTimer() override {}
    void stopRoundTimer() override {}
    void focusNewTraining() override {}
    void requestRepaint() override {}
    void setRoundControls(bool) override {}
};

struct Scene {
    Compass compass;
    QuietSink sink;
    NoInput input;
    StillClock clock;
    NoHost host;
    TrainingRound round{compass, sink, input, clock, host};
    ViewPainter view;
    // The widget's backing store: 32-bit RGB, with or without alpha.
    QImage target{ViewPainter::ViewSize, QImage::Format_RGB32};
    int hover = 17;

    explicit Scene(QImage::Format format) : target(ViewPainter::ViewSize, format) {
        round.resetForStartUp();
        view.initViewResources();
        view.createImages();
        view.composeBackground(compass, true);
        target.fill(Qt::black);
    }
    void put(int i, uint16_t state, int result, float x, int octave, int step, int accidental) {
        NoteSlot& s = round.m_slots[i];
        s.state = state;
        s.result = result;
        s.x = x;
        s.y = 69.0f + 5.0f * (29 - 7 * octave - step);
        s.octave = static_cast<uint16_t>(octave);
        s.step = static_cast<uint16_t>(step);
        s.accidental = accidental;
    }
    void paint() {
        QPainter p(&target);
        view.paintView(p, round, compass, hover);
    }
};

QImage::Format formatOf(const benchmark::State& state) {
    return state.range(0) ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
}

void BM_BareCopy(benchmark::State& state) {
    Scene scene(formatOf(state));
    for (auto _ : state) {
        QPainter p(&scene.target);
        RasterOps::copy(p, 0, 0, scene.view.backImage(), scene.view.backImage().size());
        p.end();
        benchmark::DoNotOptimize(scene.target.constBits());
    }
}
BENCHMARK(BM_BareCopy)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The background alone, and with the hover cell: the negative is an AND-NOT
// fill over 164 rows, which the raster engine's slow path would make costly.
void BM_EmptyFrame(benchmark::State& state) {
    Scene scene(QImage::Format_RGB32);
    scene.hover = static_cast<int>(state.range(0));
    for (auto _ : state) {
        scene.paint();
        benchmark::DoNotOptimize(scene.target.constBits());
    }
}
BENCHMARK(BM_EmptyFrame)->Arg(-1)->Arg(17)->Unit(benchmark::kMicrosecond);

// One note on the line under its bar, ten right notes falling onto a pile of 50.
void BM_TypicalFrame(benchmark::State& state) {
    Scene scene(formatOf(state));
    scene.round.m_points = 50;
    scene.round.m_pileChanged = true;
    scene.paint(); // the pile is redrawn only when a point lands
    for (int i = 0; i < 10; ++i)
        scene.put(50 + i, NoteSlot::OffLine, 1, 10.0f + 6 * i, 2, i % 7, i % 2);
    scene.put(60, NoteSlot::OnLine, 0, 700.0f, 2, 3, 0);
    for (auto _ : state) {
        scene.paint();
        benchmark::DoNotOptimize(scene.target.constBits());
    }
}
BENCHMARK(BM_TypicalFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// All 200 slots in flight: white bars, red bars, green heads with signs and
// ledger lines.
void BM_WorstFrame(benchmark::State& state) {
    Scene scene(formatOf(state));
    for (int i = 0; i < SlotCount; ++i) {
        const float x = 90.0f + 4.1f * i;
        switch (i % 3) {
        case 0:
            scene.put(i, NoteSlot::OnLine, 0, x, 1, 2, 0);
            break;
        case 1:
            scene.put(i, NoteSlot::OnLine, -1, x, 3, 1, 1);
            break;
        default:
            scene.put(i, NoteSlot::ClickedRight, 1, x, (i / 3) % 2 ? 4 : 0, 0, (i % 2) ? 1 : -1);
            break;
        }
    }
    for (auto _ : state) {
        scene.paint();
        benchmark::DoNotOptimize(scene.target.constBits());
    }
}
BENCHMARK(BM_WorstFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The same 200 slots in practice mode: heads instead of bars.
void BM_WorstFramePractice(benchmark::State& state) {
    Scene scene(formatOf(state));
    scene.round.m_practice = true;
    for (int i = 0; i < SlotCount; ++i)
        scene.put(i, NoteSlot::OnLine, i % 3 - 1, 90.0f + 4.1f * i, i % 5, 0, i % 2 ? 1 : -1);
    for (auto _ : state) {
        scene.paint();
        benchmark::DoNotOptimize(scene.target.constBits());
    }
}
BENCHMARK(BM_WorstFramePractice)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_PileRedraw(benchmark::State& state) {
    Scene scene(QImage::Format_RGB32);
    scene.round.m_points = static_cast<uint16_t>(state.range(0));
    for (auto _ : state) {
        scene.round.m_pileChanged = true;
        scene.paint();
    }
}
BENCHMARK(BM_PileRedraw)->Arg(50)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_ComposeBackground(benchmark::State& state) {
    Scene scene(QImage::Format_RGB32);
    scene.compass.setAccidentals(1);
    for (auto _ : state) {
        scene.view.composeBackground(scene.compass, true);
        benchmark::DoNotOptimize(scene.view.backImage().constBits());
    }
}
BENCHMARK(BM_ComposeBackground)->Unit(benchmark::kMicrosecond);

// The tall white bar ORed in one piece against the bands the view uses.
void BM_OrBar(benchmark::State& state) {
    Scene scene(QImage::Format_RGB32);
    QImage bar(18, 120, QImage::Format_RGB32);
    bar.fill(Qt::white);
    QPainter p(&scene.target);
    const bool whole = state.range(0) == 1;
    for (auto _ : state) {
        if (whole) {
            p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
            p.drawImage(QPoint(400, 90), bar);
        } else {
            RasterOps::orCopy(p, 400, 90, bar, bar.size());
        }
    }
}
BENCHMARK(BM_OrBar)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
