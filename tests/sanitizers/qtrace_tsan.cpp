// SPDX-License-Identifier: GPL-3.0-or-later
// Two races of our own that pass through Qt, made on purpose: the one named
// by the argument is run, and ThreadSanitizer, with the suppressions of the
// test run, must report it. Proves that Qt in a stack hides no race of ours.
#include <QByteArray>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {
using namespace std::chrono_literals;

// A thread of ours fills a buffer through QtCore (its memset) while the
// main thread reads it, with nothing ordering the two.
__attribute__((noinline)) int raceThroughQtCore() {
    QByteArray shared(64, 'a');
    char* bytes = shared.data(); // detached here, before the threads share it
    std::thread writer([&shared] { shared.fill('b'); });
    std::this_thread::sleep_for(50ms);
    int sum = 0;
    for (int i = 0; i < 64; ++i)
        sum += bytes[i];
    writer.join();
    return sum;
}

// A thread that QThread started writes a plain counter the main thread reads.
__attribute__((noinline)) int raceOnQThread() {
    static int counter = 0;
    QThread* thread = QThread::create([] { counter = 1; });
    thread->start();
    std::this_thread::sleep_for(50ms);
    const int seen = counter;
    thread->wait();
    delete thread;
    return seen;
}
} // namespace

int main(int argc, char** argv) {
    const char* which = argc > 1 ? argv[1] : "";
    int result = 0;
    if (std::strcmp(which, "qtcore") == 0)
        result = raceThroughQtCore();
    else if (std::strcmp(which, "qthread") == 0)
        result = raceOnQThread();
    else
        return 2;
    std::printf("the race ran unreported (%d)\n", result);
    return 0;
}
