// SPDX-License-Identifier: GPL-3.0-or-later
// The microphone as the game's input, behind its gate, with loudspeakers:
// - every note of the listening table (seven FluidR3 programs, keys 36-84,
//   velocities 60 and 110, with and without vibrato) played by the game and
//   held, coming back into the microphone at -12 dBFS: answers counted (none
//   may come), and silencings asked for;
// - a pupil singing (FluidR3's choir and voice) over the game's note, the
//   note fed back at -12 dBFS and the voice at -6 dBFS: judged as the voice's
//   note or not, and how long after the voice began.
// A measurement, not a test:
//   QVB_LISTEN_SOUNDFONT=/path/FluidR3_GM.sf2 build/bench/microphone_bench
// MICROPHONE_OVER_ONLY=1 measures the pupil over the game's note alone.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "buildmodules.h"
#include "fluidsynthout.h"
#include "heardsounds.h"
#include "listeningfigures.h"
#include "microphoneinput.h"

namespace {
// The game's note reaches the loudspeakers this long after it was sent.
constexpr double OutputLatencyMs = 30;

struct Heard {
    std::vector<std::pair<int, std::size_t>> notes; // note, samples heard when it came
    std::size_t at = 0;
    static void proc(MidiInPort*, uint32_t id, uintptr_t instance, uint32_t message, uint32_t) {
        auto* heard = reinterpret_cast<Heard*>(instance);
        if (id == MIM_DATA && (message & 0xF0) == 0x90)
            heard->notes.emplace_back(int((message >> 8) & 0x7F), heard->at);
    }
};

struct Room {
    std::shared_ptr<ListenChoices> choices = std::make_shared<ListenChoices>();
    Heard heard;
    std::unique_ptr<MicrophoneInput> input;
    int silencings = 0;
    std::size_t silencedAt = 0;
    double cpu = 0;

    explicit Room(double rate, const GateRules& rules) {
        input = MicrophoneInput::create(rate, &Heard::proc, reinterpret_cast<uintptr_t>(&heard),
                                        choices, rules);
        input->start();
    }
    // `echo` is the game's note, sent `sentAt` samples in; once the input asks
    // for silence the game falls silent and only `voice` is heard.
    void hear(int gameNote, const std::vector<float>& echo, std::size_t sentAt,
              const std::vector<float>& voice) {
        const std::size_t n = std::max(echo.size(), voice.size());
        const std::size_t block = 480;
        std::vector<float> part(block);
        bool sent = false, silent = false;
        for (std::size_t at = 0; at < n; at += block) {
            const std::size_t count = std::min(block, n - at);
            if (!sent && at >= sentAt) {
                input->outputSent(0x90 | uint32_t(gameNote) << 8 | 127u << 16);
                sent = true;
            }
            for (std::size_t i = 0; i < count; ++i) {
                const std::size_t k = at + i;
                part[i] = (k < voice.size() ? voice[k] : 0.0f) +
                          (!silent && k < echo.size() ? echo[k] : 0.0f);
            }
            heard.at = at + count;
            const double start = threadCpuSeconds();
            input->hear(part.data(), count);
            cpu += threadCpuSeconds() - start;
            if (input->wantsSilence()) {
                ++silencings;
                if (!silent)
                    silencedAt = at + count;
                silent = true;
                input->outputSent(0xB0 | 0x78u << 8);
            }
        }
    }
};

} // namespace

int main() {
    useBuildModules();
    auto synth = openTableSynth();
    if (!synth)
        return 2;
    const double rate = synth->sampleRate();
    // MICROPHONE_GATE="RISE_MS MARGIN_DB MEMORY_MS" tries other rules of the gate;
    // MICROPHONE_STEP=N takes every Nth key only.
    GateRules rules;
    if (const char* gate = std::getenv("MICROPHONE_GATE"))
        std::sscanf(gate, "%lf %lf %lf", &rules.riseMs, &rules.marginDb, &rules.memoryMs);
    const char* stepText = std::getenv("MICROPHONE_STEP");
    const int step = stepText ? std::max(1, std::atoi(stepText)) : 1;
    std::printf("gate: rise %.0f ms, margin %.1f dB, memory %.0f ms; every %d. key\n", rules.riseMs,
                rules.marginDb, rules.memoryMs, step);

    // The game's own notes, held as the game holds them (it sends no note-off
    // until the next note), through loudspeakers.
    int notes = 0, answered = 0, silenced = 0;
    double cpu = 0, audio = 0;
    const bool echoPart = !std::getenv("MICROPHONE_OVER_ONLY");
    for (const ListeningProgram& program : ListeningPrograms) {
        if (!echoPart)
            break;
        int programAnswers = 0;
        for (int key = 36; key <= 84; key += step) {
            for (int velocity : {60, 110}) {
                for (bool vibrato : {false, true}) {
                    PlayedNote played{program.program, key, velocity, vibrato, 100, 3000, 300};
                    auto echo = renderNote(*synth, played);
                    scaleToPeak(echo, -12);
                    const auto sentAt =
                        onsetSample(played, rate) - std::size_t(OutputLatencyMs * rate / 1000);
                    Room room(rate, rules);
                    room.hear(key, echo, sentAt, {});
                    ++notes;
                    cpu += room.cpu;
                    audio += double(echo.size()) / rate;
                    if (!room.heard.notes.empty()) {
                        ++answered;
                        ++programAnswers;
                        std::printf("  answered itself: %s %d v%d%s as %d\n", program.name, key,
                                    velocity, vibrato ? " vibrato" : "",
                                    room.heard.notes.front().first);
                    }
                    if (room.silencings > 0)
                        ++silenced;
                }
            }
        }
        std::printf("%-11s game's own notes answered: %d\n", program.name, programAnswers);
    }
    std::printf("the game's own notes through loudspeakers at -12 dBFS: %d notes, %d answered, "
                "%d silenced for nothing\n",
                notes, answered, silenced);

    // A pupil singing over the game's note.
    const int singers[] = {52, 53}; // "Choir Aahs", "Voice Oohs"
    const int intervals[] = {-5, 2, 7, 0};
    int sung = 0, judgedVoice = 0, judgedOther = 0, notJudged = 0, turn = 0;
    std::vector<double> latency;
    for (const ListeningProgram& program : ListeningPrograms) {
        for (int key = 48; key <= 76; key += 4 * step) {
            for (int interval : intervals) {
                const int voiceKey = key + interval;
                PlayedNote game{program.program, key, 110, false, 100, 3000, 300};
                auto echo = renderNote(*synth, game);
                scaleToPeak(echo, -12);
                PlayedNote singer{singers[turn++ % 2], voiceKey, 100, true, 800, 900, 200};
                auto voice = renderNote(*synth, singer);
                scaleToPeak(voice, -6);
                const std::size_t voiceOnset = onsetSample(singer, rate);
                const auto sentAt =
                    onsetSample(game, rate) - std::size_t(OutputLatencyMs * rate / 1000);
                Room room(rate, rules);
                room.hear(key, echo, sentAt, voice);
                ++sung;
                cpu += room.cpu;
                audio += double(std::max(echo.size(), voice.size())) / rate;
                const auto& got = room.heard.notes;
                if (got.empty()) {
                    ++notJudged;
                    std::printf("  not judged: game %s %d, voice %d (%s)\n", program.name, key,
                                voiceKey, room.silencings ? "silenced" : "not silenced");
                } else if (got.front().first == voiceKey) {
                    ++judgedVoice;
                    latency.push_back(1000.0 * (double(got.front().second) - double(voiceOnset)) /
                                      rate);
                } else {
                    ++judgedOther;
                    std::printf("  judged as %d: game %s %d, voice %d\n", got.front().first,
                                program.name, key, voiceKey);
                }
            }
        }
    }
    std::printf("a pupil over the game's note (fed back at -12 dBFS, voice at -6 dBFS): %d sung, "
                "%d judged as the voice's note, %d as another, %d not judged; voice onset to "
                "judgement, median %.0f ms\n",
                sung, judgedVoice, judgedOther, notJudged, median(latency));
    std::printf("CPU while listening: %.2f %% of one core (%.0f s of sound)\n", 100.0 * cpu / audio,
                audio);
    return 0;
}
