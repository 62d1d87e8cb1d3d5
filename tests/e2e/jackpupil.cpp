// SPDX-License-Identifier: GPL-3.0-or-later
// A pupil at a MIDI keyboard, for the end-to-end tests: a JACK client with an
// input port that hears what the trainer plays and an output port the trainer
// listens to. It answers each note-on it hears the way it is told on its
// standard input, and logs every message in and out with a time stamp.
//
//   jackpupil NAME LOGFILE
//
// Commands, one a line on standard input:
//   echo [N]             answer the next N note-ons (all, without N) with the same note
//   wrong [N]            answer the next N note-ons with the note an octave higher
//   silent               answer nothing
//   play NN              play the note-on 90 NN 7F once
//   flood RATE SECS NN   play 90 NN 7F RATE times a second for SECS seconds
//   stop                 end the flood now
//   mark TEXT            write TEXT into the log with the time it was read
//   quit
// Log lines: "<microseconds> in|out <hex bytes>" for every MIDI message (the
// flood's own note-ons are counted, not logged: "flood-start", "flood-end N
// FRAMES" with the JACK frames the flood lasted),
// "<microseconds> mark TEXT". The clock is CLOCK_MONOTONIC; a message is
// stamped in the JACK cycle that carried it. "ready" goes to standard output
// once the ports are active; "server-gone" is logged when JACK goes away.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

namespace {

int64_t nowUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

enum Direction : uint8_t { In, Out, FloodStart, FloodEnd, ServerGone };

struct LogRecord {
    int64_t us;
    uint64_t count;
    uint64_t frames;
    uint8_t direction;
    uint8_t length;
    uint8_t bytes[3];
};

enum Mode : int { Silent, Echo, Wrong };

struct Pupil {
    jack_client_t* client = nullptr;
    jack_port_t* in = nullptr;
    jack_port_t* out = nullptr;
    jack_ringbuffer_t* log = nullptr;   // process thread -> writer
    jack_ringbuffer_t* plays = nullptr; // command thread -> process thread: note numbers
    std::atomic<int> mode{Silent};
    std::atomic<long> answersLeft{-1}; // -1: no limit
    // The flood: note-ons still to play, and how many per second.
    std::atomic<uint64_t> floodLeft{0};
    std::atomic<double> floodRate{0};
    std::atomic<int> floodNote{0};
    std::atomic<bool> floodStop{false};
    double floodCarry = 0; // process thread only
    uint64_t floodSent = 0;
    uint64_t floodFrames = 0; // the JACK time the flood has lasted
    bool flooding = false;
    std::atomic<bool> serverGone{false};
};

Pupil g_pupil; // reached from JACK's callbacks, which take a void* anyway

void logRecord(Pupil& p, Direction d, const uint8_t* bytes, std::size_t length, int64_t us,
               uint64_t count = 0, uint64_t frames = 0) {
    LogRecord r{};
    r.us = us;
    r.count = count;
    r.frames = frames;
    r.direction = d;
    r.length = uint8_t(length > 3 ? 3 : length);
    if (bytes)
        std::memcpy(r.bytes, bytes, r.length);
    if (jack_ringbuffer_write_space(p.log) >= sizeof r)
        jack_ringbuffer_write(p.log, reinterpret_cast<const char*>(&r), sizeof r);
}

bool takeAnswer(Pupil& p) {
    long left = p.answersLeft.load();
    if (left == 0)
        return false;
    if (left > 0 && p.answersLeft.fetch_sub(1) <= 0)
        return false;
    return true;
}

int process(jack_nframes_t frames, void* arg) {
    Pupil& p = *static_cast<Pupil*>(arg);
    const int64_t now = nowUs();
    void* inBuffer = jack_port_get_buffer(p.in, frames);
    void* outBuffer = jack_port_get_buffer(p.out, frames);
    jack_midi_clear_buffer(outBuffer);

    auto send = [&](uint8_t status, uint8_t note, uint8_t velocity, bool logged) {
        const uint8_t msg[3] = {status, note, velocity};
        if (jack_midi_event_write(outBuffer, 0, msg, 3) == 0 && logged)
            logRecord(p, Out, msg, 3, now);
    };

    const jack_nframes_t count = jack_midi_get_event_count(inBuffer);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, inBuffer, i) != 0)
            continue;
        logRecord(p, In, event.buffer, event.size, now);
        const bool noteOn = event.size == 3 && (event.buffer[0] & 0xF0) == 0x90 && event.buffer[2] > 0;
        if (!noteOn)
            continue;
        const uint8_t note = event.buffer[1];
        const int mode = p.mode.load();
        if (mode == Silent || !takeAnswer(p))
            continue;
        if (mode == Echo)
            send(0x90, note, 0x7F, true);
        else
            send(0x90, uint8_t(note + 12 <= 127 ? note + 12 : note - 12), 0x7F, true);
    }

    int note = 0;
    while (jack_ringbuffer_read_space(p.plays) >= sizeof note) {
        jack_ringbuffer_read(p.plays, reinterpret_cast<char*>(&note), sizeof note);
        send(0x90, uint8_t(note), 0x7F, true);
    }

    if (p.floodStop.exchange(false))
        p.floodLeft.store(0);
    uint64_t left = p.floodLeft.load();
    if (left == 0 && p.flooding) {
        p.flooding = false;
        logRecord(p, FloodEnd, nullptr, 0, now, p.floodSent, p.floodFrames);
    }
    if (left > 0) {
        if (!p.flooding) {
            p.flooding = true;
            p.floodSent = 0;
            p.floodCarry = 0;
            p.floodFrames = 0;
            logRecord(p, FloodStart, nullptr, 0, now);
        }
        p.floodFrames += frames;
        p.floodCarry += p.floodRate.load() * frames / jack_get_sample_rate(p.client);
        const uint8_t msg[3] = {0x90, uint8_t(p.floodNote.load()), 0x7F};
        while (p.floodCarry >= 1 && left > 0) {
            // Spread over the cycle, as a player's notes would be.
            const jack_nframes_t at = jack_nframes_t((p.floodSent * 7) % frames);
            if (jack_midi_event_write(outBuffer, at, msg, 3) != 0)
                break;
            p.floodCarry -= 1;
            ++p.floodSent;
            --left;
        }
        p.floodLeft.store(left);
        if (left == 0) {
            p.flooding = false;
            logRecord(p, FloodEnd, nullptr, 0, now, p.floodSent, p.floodFrames);
        }
    }
    return 0;
}

void serverGone(void* arg) {
    Pupil& p = *static_cast<Pupil*>(arg);
    p.serverGone.store(true);
}

void writeLog(Pupil& p, FILE* file) {
    LogRecord r{};
    while (jack_ringbuffer_read_space(p.log) >= sizeof r) {
        jack_ringbuffer_read(p.log, reinterpret_cast<char*>(&r), sizeof r);
        switch (r.direction) {
        case In:
        case Out:
            std::fprintf(file, "%lld %s", static_cast<long long>(r.us), r.direction == In ? "in" : "out");
            for (int i = 0; i < r.length; ++i)
                std::fprintf(file, " %02x", r.bytes[i]);
            std::fprintf(file, "\n");
            break;
        case FloodStart:
            std::fprintf(file, "%lld flood-start\n", static_cast<long long>(r.us));
            break;
        case FloodEnd:
            std::fprintf(file, "%lld flood-end %llu %llu\n", static_cast<long long>(r.us),
                         static_cast<unsigned long long>(r.count),
                         static_cast<unsigned long long>(r.frames));
            break;
        default:
            break;
        }
    }
    std::fflush(file);
}

long optionalCount(std::istringstream& words) {
    long n = -1;
    if (!(words >> n))
        return -1;
    return n;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: jackpupil NAME LOGFILE\n");
        return 2;
    }
    FILE* logFile = std::fopen(argv[2], "w");
    if (!logFile) {
        std::perror(argv[2]);
        return 2;
    }
    Pupil& p = g_pupil;
    jack_status_t status{};
    p.client = jack_client_open(argv[1], JackNoStartServer, &status);
    if (!p.client) {
        std::fprintf(stderr, "jackpupil: no JACK server (status 0x%x)\n", unsigned(status));
        return 1;
    }
    p.log = jack_ringbuffer_create(sizeof(LogRecord) * 65536);
    p.plays = jack_ringbuffer_create(sizeof(int) * 1024);
    p.in = jack_port_register(p.client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    p.out = jack_port_register(p.client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    jack_on_shutdown(p.client, serverGone, &p);
    if (!p.log || !p.plays || !p.in || !p.out ||
        jack_set_process_callback(p.client, process, &p) != 0 || jack_activate(p.client) != 0) {
        std::fprintf(stderr, "jackpupil: cannot set up the ports\n");
        return 1;
    }
    std::printf("ready %s %s\n", jack_port_name(p.in), jack_port_name(p.out));
    std::fflush(stdout);

    std::atomic<bool> quit{false};
    std::mutex fileLock; // one reader of the log ring, one writer of the file
    std::thread writer([&] {
        bool goneLogged = false;
        for (;;) {
            {
                std::lock_guard<std::mutex> hold(fileLock);
                writeLog(p, logFile);
                if (p.serverGone.load() && !goneLogged) {
                    std::fprintf(logFile, "%lld server-gone\n", static_cast<long long>(nowUs()));
                    std::fflush(logFile);
                    goneLogged = true;
                }
                if (quit.load())
                    return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "echo" || command == "wrong") {
            p.answersLeft.store(optionalCount(words));
            p.mode.store(command == "echo" ? Echo : Wrong);
        } else if (command == "silent") {
            p.mode.store(Silent);
        } else if (command == "play") {
            int note = 0;
            if (words >> note)
                jack_ringbuffer_write(p.plays, reinterpret_cast<const char*>(&note), sizeof note);
        } else if (command == "flood") {
            double rate = 0, seconds = 0;
            int note = 0;
            if (words >> rate >> seconds >> note) {
                p.floodNote.store(note);
                p.floodRate.store(rate);
                p.floodLeft.store(uint64_t(rate * seconds));
            }
        } else if (command == "stop") {
            p.floodStop.store(true);
        } else if (command == "mark") {
            std::string text;
            std::getline(words >> std::ws, text);
            // After what the process thread has logged so far.
            std::lock_guard<std::mutex> hold(fileLock);
            writeLog(p, logFile);
            std::fprintf(logFile, "%lld mark %s\n", static_cast<long long>(nowUs()), text.c_str());
            std::fflush(logFile);
        } else if (command == "quit") {
            break;
        }
    }
    if (!p.serverGone.load())
        jack_client_close(p.client);
    quit.store(true);
    writer.join();
    std::fclose(logFile);
    return 0;
}
