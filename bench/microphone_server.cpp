// SPDX-License-Identifier: GPL-3.0-or-later
// The microphone's figures through a real PulseAudio server, as the game
// hears them: each sound is written in real time into a pipe source of the
// server's, captured from it by the game's own capture (20 ms fragments) and
// heard by the game's microphone input, gate and all.
// - the listening table (seven FluidR3 programs, keys 36-84, velocities 60
//   and 110, with and without vibrato), "Kopfhörer" on: the key of the first
//   answer, and the time from the note-on written into the pipe to the
//   answer given; a minute of pink noise at -30 dBFS and a minute of German
//   speech in each of three voices;
// - through loudspeakers: each note of the table played by the game, held
//   3 s and coming back at -12 dBFS: answers counted (none may come);
// - a pupil singing over the game's note (-12 dBFS, the voice at -6 dBFS).
// Real time is slow, so several microphones (pipe sources) are listened to
// at once, each by a capture and an input of its own.
// A measurement, not a test:
//   QVB_LISTEN_SOUNDFONT=/path/FluidR3_GM.sf2 build/bench/microphone_server
// MICROPHONE_LANES=N microphones at once (10), MICROPHONE_STEP=N every Nth key,
// MICROPHONE_PARTS=table,echo,over the parts measured (all three).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "buildmodules.h"
#include "fluidsynthout.h"
#include "heardsounds.h"
#include "listeningfigures.h"
#include "microphoneinput.h"
#include "mouth.h"
#include "pulsecapture.h"
#include "pulselink.h"
#include "pulseserver.h"

namespace {
using Clock = std::chrono::steady_clock;

// The game's note reaches the loudspeakers this long after it was sent.
constexpr double OutputLatencyMs = 30;
constexpr double GapMs = 300; // silence after each sound

// One sound to play into a microphone, rendered when its turn comes.
struct Sound {
    std::string label;
    int expect = -1;   // the key it should answer, -1: none
    int gameNote = -1; // the game's note sounding through loudspeakers, -1: none
    bool headphones = true;
    int key = 0; // the table's key (for the figures by range)
    std::function<void(FluidSynthOut&, std::vector<float>& voice, std::size_t& voiceOnset,
                       std::vector<float>& echo, std::size_t& echoOnset)>
        render;
};

struct Outcome {
    std::vector<int> answers;
    double latencyMs = 0; // the first answer's, from the onset written
    bool silenced = false;
};

// A microphone and the game's input listening to it.
class Lane {
public:
    Lane(const std::string& dir, int n, std::shared_ptr<PulseLink> link)
        : m_mouth(dir, "qvbmic" + std::to_string(n), false), m_link(std::move(link)) {}

    bool open() {
        if (!m_mouth.plug())
            return false;
        m_input = MicrophoneInput::create(PulseCapture::SampleRate, &Lane::proc,
                                          reinterpret_cast<uintptr_t>(this), m_choices);
        m_input->start();
        m_capture = PulseCapture::open(
            m_link,
            [this](const float* samples, std::size_t count) {
                const double start = threadCpuSeconds();
                m_input->hear(samples, count);
                // Only this thread adds; the total is read at the end.
                m_cpu.store(m_cpu.load(std::memory_order_relaxed) + threadCpuSeconds() - start,
                            std::memory_order_relaxed);
                m_heardSamples += count;
            },
            m_mouth.source().c_str());
        return m_capture != nullptr;
    }

    Outcome play(const Sound& sound, FluidSynthOut& synth, std::mutex& synthLock) {
        std::vector<float> voice, echo;
        std::size_t voiceOnset = 0, echoOnset = 0;
        {
            std::lock_guard<std::mutex> lock(synthLock);
            sound.render(synth, voice, voiceOnset, echo, echoOnset);
        }
        m_choices->headphones = sound.headphones;
        // A pupil's note begins anywhere within a block the microphone hands
        // over, not on its edge: each sound starts a little later than the
        // one before, all through a block.
        const std::size_t shift = (m_played++ * 97) % Mouth::Block;
        voice.insert(voice.begin(), shift, 0.0f);
        voiceOnset += shift;
        if (!echo.empty()) {
            echo.insert(echo.begin(), shift, 0.0f);
            echoOnset += shift;
        }
        const std::size_t length = std::max(voice.size(), echo.size());
        voice.resize(length);
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_heard.clear();
        }
        m_mouth.sayOver(voice, echo);
        Clock::time_point t0{};
        while ((t0 = m_mouth.saidFrom()) == Clock::time_point{})
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // The pipe takes a block of 10 ms at once, where a microphone hands
        // over what it heard at the block's end: each sample counts as sung
        // a block before its block went in.
        const auto at = [&](double samples) {
            return t0 + std::chrono::microseconds(
                            long(1e6 * (samples - double(Mouth::Block)) / Mouth::Rate));
        };
        Outcome out;
        bool sent = sound.gameNote < 0;
        const Clock::time_point sendAt =
            at(double(echoOnset) - OutputLatencyMs * Mouth::Rate / 1000);
        const Clock::time_point end = at(double(length) + GapMs * Mouth::Rate / 1000);
        while (Clock::now() < end) {
            if (!sent && Clock::now() >= sendAt) {
                m_input->outputSent(0x90u | uint32_t(sound.gameNote) << 8 | 127u << 16);
                sent = true;
            }
            if (m_input->wantsSilence()) {
                out.silenced = true;
                m_mouth.quiet();
                m_input->outputSent(0xB0u | 0x78u << 8);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (sound.gameNote >= 0)
            m_input->outputSent(0xB0u | 0x78u << 8); // the next note's turn
        m_mouth.quiet();
        std::lock_guard<std::mutex> lock(m_lock);
        for (const auto& [note, when] : m_heard)
            out.answers.push_back(note);
        if (!m_heard.empty())
            out.latencyMs = std::chrono::duration<double, std::milli>(m_heard.front().second -
                                                                      at(double(voiceOnset)))
                                .count();
        return out;
    }

    bool alive() const { return m_capture && m_capture->alive(); }
    double cpu() const { return m_cpu.load(std::memory_order_relaxed); }
    double heardSeconds() const { return double(m_heardSamples) / PulseCapture::SampleRate; }

private:
    static void proc(MidiInPort*, uint32_t id, uintptr_t instance, uint32_t message, uint32_t) {
        auto* lane = reinterpret_cast<Lane*>(instance);
        if (id != MIM_DATA || (message & 0xF0) != 0x90)
            return;
        std::lock_guard<std::mutex> lock(lane->m_lock);
        lane->m_heard.emplace_back(int((message >> 8) & 0x7F), Clock::now());
    }

    Mouth m_mouth;
    std::shared_ptr<PulseLink> m_link;
    std::shared_ptr<ListenChoices> m_choices = std::make_shared<ListenChoices>();
    std::unique_ptr<MicrophoneInput> m_input;
    std::unique_ptr<PulseCapture> m_capture;
    std::mutex m_lock;
    std::vector<std::pair<int, Clock::time_point>> m_heard;
    std::atomic<double> m_cpu{0}; // added to on the capture's thread only
    std::atomic<uint64_t> m_heardSamples{0};
    std::size_t m_played = 0;
};

// Plays all the sounds, each lane taking the next one free.
std::vector<Outcome> playAll(std::vector<std::unique_ptr<Lane>>& lanes,
                             const std::vector<Sound>& sounds, FluidSynthOut& synth) {
    std::vector<Outcome> outcomes(sounds.size());
    std::atomic<std::size_t> next{0};
    std::mutex synthLock;
    std::vector<std::thread> threads;
    for (auto& lane : lanes)
        threads.emplace_back([&, l = lane.get()] {
            for (std::size_t i; (i = next++) < sounds.size();)
                outcomes[i] = l->play(sounds[i], synth, synthLock);
        });
    for (auto& t : threads)
        t.join();
    return outcomes;
}

std::string describe(const PlayedNote& p, const char* name) {
    return std::string(name) + " " + std::to_string(p.note) + " v" + std::to_string(p.velocity) +
           (p.vibrato ? " vibrato" : "");
}
} // namespace

int main() {
    useBuildModules();
    auto synth = openTableSynth();
    if (!synth)
        return 2;
    const double rate = synth->sampleRate();
    if (rate != Mouth::Rate) {
        std::fprintf(stderr, "the synthesizer renders at %.0f Hz, the microphone takes 48000\n",
                     rate);
        return 2;
    }
    const char* lanesText = std::getenv("MICROPHONE_LANES");
    const int laneCount = lanesText ? std::max(1, std::atoi(lanesText)) : 10;
    const char* stepText = std::getenv("MICROPHONE_STEP");
    const int step = stepText ? std::max(1, std::atoi(stepText)) : 1;
    const std::string parts =
        std::getenv("MICROPHONE_PARTS") ? std::getenv("MICROPHONE_PARTS") : "table,echo,over";
    const auto part = [&parts](const char* name) { return parts.find(name) != std::string::npos; };

    PulseServer server;
    if (!server.running()) {
        std::fprintf(stderr, "PulseAudio does not start here.\n");
        return 2;
    }
    auto link = std::make_shared<PulseLink>();
    link->waitForServer(5000);
    const std::string dir = std::filesystem::path(server.socket()).parent_path().string();
    std::vector<std::unique_ptr<Lane>> lanes;
    for (int n = 0; n < laneCount; ++n) {
        lanes.push_back(std::make_unique<Lane>(dir, n, link));
        if (!lanes.back()->open()) {
            std::fprintf(stderr, "microphone %d does not open on the server.\n", n);
            return 2;
        }
    }
    std::printf("PulseAudio, %d microphones (pipe sources) at once, every %d. key\n", laneCount,
                step);
    const auto started = Clock::now();

    // The table, "Kopfhörer" on: nothing but the pupil's note is heard.
    std::vector<Sound> table;
    for (int pass = part("table") ? 1 : 0; pass > 0; --pass)
        for (const ListeningProgram& program : ListeningPrograms)
            for (int key = 36; key <= 84; key += step)
                for (int velocity : {60, 110})
                    for (bool vibrato : {false, true}) {
                        PlayedNote played{program.program, key, velocity, vibrato};
                        Sound s;
                        s.label = describe(played, program.name);
                        s.expect = key;
                        s.key = key;
                        s.render = [played](FluidSynthOut& synth, std::vector<float>& voice,
                                            std::size_t& onset, std::vector<float>&, std::size_t&) {
                            voice = renderNote(synth, played);
                            onset = onsetSample(played, Mouth::Rate);
                        };
                        table.push_back(std::move(s));
                    }
    // Noise and speech, a minute each.
    // The voice of the table, a woman's, another man's, and a woman's at a
    // child's pitch.
    std::vector<std::pair<std::string, int>> speakers{
        {"de", 50}, {"de+f3", 50}, {"de+m3", 50}, {"de+f3", 99}};
    if (part("table")) {
        Sound s;
        s.label = "pink noise at -30 dBFS, 60 s";
        s.render = [](FluidSynthOut&, std::vector<float>& voice, std::size_t&, std::vector<float>&,
                      std::size_t&) { voice = pinkNoise(60, Mouth::Rate, -30, 30); };
        table.push_back(std::move(s));
    } else {
        speakers.clear();
    }
    for (const auto& [v, pitch] : speakers) {
        Sound s;
        s.label =
            "German speech (espeak-ng, voice " + v + ", pitch " + std::to_string(pitch) + "), 60 s";
        s.render = [v = v, pitch = pitch](FluidSynthOut&, std::vector<float>& voice, std::size_t&,
                                          std::vector<float>&, std::size_t&) {
            while (double(voice.size()) < 60 * Mouth::Rate) {
                auto more = germanSpeech(GermanPassage, Mouth::Rate, v, pitch);
                if (more.empty())
                    break;
                voice.insert(voice.end(), more.begin(), more.end());
            }
            voice.resize(std::min(voice.size(), std::size_t(60 * Mouth::Rate)));
            scaleToPeak(voice, -6);
        };
        table.push_back(std::move(s));
    }
    // The long ones first, so that no lane is left with a minute at the end.
    std::stable_partition(table.begin(), table.end(), [](const Sound& s) { return s.expect < 0; });
    const auto tableOut = playAll(lanes, table, *synth);
    int notes = 0, right = 0, octave = 0, other = 0, none = 0, second = 0;
    std::vector<double> low, high;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Sound& s = table[i];
        const Outcome& o = tableOut[i];
        if (s.expect < 0) {
            std::printf("%s: %zu answers\n", s.label.c_str(), o.answers.size());
            continue;
        }
        ++notes;
        if (o.answers.empty()) {
            ++none;
            std::printf("  no answer: %s\n", s.label.c_str());
            continue;
        }
        second += int(o.answers.size()) - 1;
        const int first = o.answers.front();
        if (first == s.expect) {
            ++right;
            if (s.key >= 60)
                high.push_back(o.latencyMs);
            else if (s.key < 48)
                low.push_back(o.latencyMs);
        } else if ((first - s.expect) % 12 == 0) {
            ++octave;
            std::printf("  octave: %s heard %d\n", s.label.c_str(), first);
        } else {
            ++other;
            std::printf("  wrong: %s heard %d\n", s.label.c_str(), first);
        }
    }
    if (notes > 0)
        std::printf(
            "notes %d: right key at the first answer %.2f %%, octave errors %.2f %%, other keys "
            "%.2f %%, no answer %.2f %%; second answers %d\n",
            notes, 100.0 * right / notes, 100.0 * octave / notes, 100.0 * other / notes,
            100.0 * none / notes, second);
    if (notes > 0)
        std::printf(
            "note-on written to answer given, median: C-c (36-47) %.1f ms, C' and above %.1f ms\n",
            median(low), median(high));

    // Through loudspeakers: the game's own notes, held.
    std::vector<Sound> echoes;
    for (int pass = part("echo") ? 1 : 0; pass > 0; --pass)
        for (const ListeningProgram& program : ListeningPrograms)
            for (int key = 36; key <= 84; key += step)
                for (int velocity : {60, 110})
                    for (bool vibrato : {false, true}) {
                        PlayedNote played{program.program, key, velocity, vibrato, 100, 3000, 300};
                        Sound s;
                        s.label = describe(played, program.name);
                        s.gameNote = key;
                        s.headphones = false;
                        s.render = [played](FluidSynthOut& synth, std::vector<float>&, std::size_t&,
                                            std::vector<float>& echo, std::size_t& onset) {
                            echo = renderNote(synth, played);
                            scaleToPeak(echo, -12);
                            onset = onsetSample(played, Mouth::Rate);
                        };
                        echoes.push_back(std::move(s));
                    }
    const auto echoOut = playAll(lanes, echoes, *synth);
    int answered = 0, silencedForNothing = 0;
    for (std::size_t i = 0; i < echoes.size(); ++i) {
        if (!echoOut[i].answers.empty()) {
            ++answered;
            std::printf("  answered itself: %s as %d\n", echoes[i].label.c_str(),
                        echoOut[i].answers.front());
        }
        silencedForNothing += echoOut[i].silenced ? 1 : 0;
    }
    if (!echoes.empty())
        std::printf(
            "the game's own notes through loudspeakers at -12 dBFS: %zu notes, %d answered, %d "
            "silenced for nothing\n",
            echoes.size(), answered, silencedForNothing);

    // A pupil singing over the game's note.
    std::vector<Sound> over;
    const int singers[] = {52, 53}; // "Choir Aahs", "Voice Oohs"
    int turn = 0;
    for (int pass = part("over") ? 1 : 0; pass > 0; --pass)
        for (const ListeningProgram& program : ListeningPrograms)
            for (int key = 48; key <= 76; key += 4 * step)
                for (int interval : {-5, 2, 7, 0}) {
                    PlayedNote game{program.program, key, 110, false, 100, 3000, 300};
                    PlayedNote singer{
                        singers[turn++ % 2], key + interval, 100, true, 800, 900, 200};
                    Sound s;
                    s.label = "game " + describe(game, program.name) + ", voice " +
                              std::to_string(singer.note);
                    s.expect = singer.note;
                    s.gameNote = key;
                    s.headphones = false;
                    s.render = [game, singer](FluidSynthOut& synth, std::vector<float>& voice,
                                              std::size_t& voiceOnset, std::vector<float>& echo,
                                              std::size_t& echoOnset) {
                        echo = renderNote(synth, game);
                        scaleToPeak(echo, -12);
                        echoOnset = onsetSample(game, Mouth::Rate);
                        voice = renderNote(synth, singer);
                        scaleToPeak(voice, -6);
                        voiceOnset = onsetSample(singer, Mouth::Rate);
                    };
                    over.push_back(std::move(s));
                }
    const auto overOut = playAll(lanes, over, *synth);
    int asVoice = 0, asOther = 0, notJudged = 0;
    std::vector<double> overLatency;
    for (std::size_t i = 0; i < over.size(); ++i) {
        const Outcome& o = overOut[i];
        if (o.answers.empty()) {
            ++notJudged;
            std::printf("  not judged: %s\n", over[i].label.c_str());
        } else if (o.answers.front() == over[i].expect) {
            ++asVoice;
            overLatency.push_back(o.latencyMs);
        } else {
            ++asOther;
            std::printf("  judged as %d: %s\n", o.answers.front(), over[i].label.c_str());
        }
    }
    if (!over.empty())
        std::printf(
            "a pupil over the game's note (fed back at -12 dBFS, voice at -6 dBFS): %zu sung, %d "
            "judged as the voice's note, %d as another, %d not judged; voice onset to judgement, "
            "median %.0f ms\n",
            over.size(), asVoice, asOther, notJudged, median(overLatency));

    double cpu = 0, heard = 0;
    bool allAlive = true;
    for (const auto& lane : lanes) {
        cpu += lane->cpu();
        heard += lane->heardSeconds();
        allAlive = allAlive && lane->alive();
    }
    std::printf(
        "CPU while listening: %.2f %% of one core (%.0f s heard through the server, %s); %.0f s "
        "in all\n",
        100.0 * cpu / std::max(heard, 1.0), heard,
        allAlive ? "every capture still running" : "a capture was lost",
        std::chrono::duration<double>(Clock::now() - started).count());
    return 0;
}
