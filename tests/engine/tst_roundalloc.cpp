// SPDX-License-Identifier: GPL-3.0-or-later
// The round tick and the note draw run every 10 ms on the window's thread:
// they must not allocate. Every allocation of this program is counted.
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <new>

#include "enginefakes.h"

namespace {
std::atomic<long> g_allocations{0};

void* counted(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size) {
    return counted(size);
}
void* operator new[](std::size_t size) {
    return counted(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

class TestRoundAlloc : public QObject {
    Q_OBJECT
private slots:
    void counterSeesAllocations();
    void tickAndDrawAllocateNothing();
};

void TestRoundAlloc::counterSeesAllocations() {
    const long before = g_allocations.load();
    void* p = ::operator new(64); // a direct call: the compiler may not leave it out
    ::operator delete(p);
    std::vector<int> v;
    v.resize(size_t(QRandomGenerator::global()->bounded(10, 20)));
    QCOMPARE(g_allocations.load() - before, 2L);
}

void TestRoundAlloc::tickAndDrawAllocateNothing() {
    RoundRig rig;
    rig.compass.setAccidentals(1);
    rig.compass.setStartOctave(0);
    rig.compass.setOctaves(4);
    rig.round.startTraining();

    const long before = g_allocations.load();
    // A busy round: notes answered by MIDI (drawn at once), by click (drawn after
    // the pause), wrong answers, notes sliding, falling and landing.
    for (int i = 0; i < 150; ++i) {
        rig.input.mailbox = rig.current().note;
        rig.clock.advance(10);
        rig.round.onTimer(TrainingRound::RoundTimer);
        rig.tick();
    }
    for (int i = 0; i < 20; ++i) {
        rig.clickWrong();
        rig.clickRight();
        for (int t = 0; t < 52; ++t)
            rig.tick();
    }
    for (int i = 0; i < 2000 && rig.host.timerRunning; ++i)
        rig.tick();
    for (int i = 0; i < 500; ++i)
        rig.round.chooseNextNote();
    const long allocations = g_allocations.load() - before;

    QVERIFY(rig.round.m_slotIndex >= 170);
    QVERIFY(rig.round.m_points > 100);
    QCOMPARE(allocations, 0L);
}

QTEST_APPLESS_MAIN(TestRoundAlloc)
#include "tst_roundalloc.moc"
