// SPDX-License-Identifier: GPL-3.0-or-later
// The microphone's listener over the whole table of notes it is measured
// with: seven programs of FluidR3, keys 36-84, velocities 60 and 110, with and
// without vibrato; then a minute of pink noise and a minute of German speech
// in each of three voices.
// Prints the share of first answers on the right key, octave errors, answers
// from noise and speech, the latency from the note's onset to its judgement
// and the CPU the listening costs. A measurement, not a test:
//   QVB_LISTEN_SOUNDFONT=/path/FluidR3_GM.sf2 build/listen_bench
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "buildmodules.h"
#include "fluidsynthout.h"
#include "heardsounds.h"
#include "listeningfigures.h"
#include "notelistener.h"
#include "pitchmeter.h"
#include "semitone.h"

namespace {

struct Listening {
    double cpu = 0;   // seconds spent listening
    double audio = 0; // seconds listened to
    std::vector<HeardNote> answers;
};

Listening listenTo(const std::vector<float>& sound, double rate, const ListeningRules& rules) {
    Listening result;
    auto listener = NoteListener::create(rate, rules);
    const double start = threadCpuSeconds();
    // Blocks of 10 ms, as a capture stream of that latency delivers them.
    const std::size_t block = std::size_t(rate / 100);
    for (std::size_t at = 0; at < sound.size(); at += block) {
        auto heard = listener->listen(sound.data() + at, std::min(block, sound.size() - at));
        result.answers.insert(result.answers.end(), heard.begin(), heard.end());
    }
    result.cpu = threadCpuSeconds() - start;
    result.audio = double(sound.size()) / rate;
    return result;
}

} // namespace

// `listen_bench PROGRAM KEY [VELOCITY [vibrato]]`: the pitch track of one note, hop by hop,
// and the answers the listener gives to it.
int printTrack(FluidSynthOut& synth, int argc, char** argv) {
    PlayedNote played;
    played.program = std::atoi(argv[1]);
    played.note = std::atoi(argv[2]);
    played.velocity = argc > 3 ? std::atoi(argv[3]) : 110;
    played.vibrato = argc > 4;
    const double rate = synth.sampleRate();
    const auto sound = renderNote(synth, played);
    // The pitch meter of the synthesizer's tests, over 200-500 ms, for comparison.
    const std::vector<float> steady(sound.begin() + long(0.3 * rate),
                                    sound.begin() + long(0.6 * rate));
    std::printf("pitch meter: %.2f Hz\n", fundamentalHz(steady, rate));
    // The frames the listener judges: of the short window or the long one.
    ListeningRules rules;
    auto bank = PitchBank::create(rate, rules.lowestNote, rules.speakingBelow,
                                  rules.minConfidenceAboveSpeaking);
    const double onset = double(onsetSample(played, rate));
    bank->feed(sound.data(), sound.size(), [&](const PitchFrame& f) {
        const NearestKey key = nearestKey(f.hz);
        std::printf("%7.1f ms %8.2f Hz (%d %+4.0f ct) conf %.3f level %6.1f dB window %zu\n",
                    1000.0 * (double(f.endSample) - onset) / rate, f.hz, key.note, key.cents,
                    f.confidence, f.levelDb, f.window);
    });
    // What the listener makes of it, and when.
    auto listener = NoteListener::create(rate, rules);
    for (const HeardNote& h : listener->listen(sound.data(), sound.size()))
        std::printf("answer %d (%+.0f ct) at %.1f ms\n", h.note, h.cents,
                    1000.0 * (double(h.atSample) - onset) / rate);
    return 0;
}

int main(int argc, char** argv) {
    useBuildModules();

    const std::string soundFont = listeningSoundFont();
    if (soundFont.empty()) {
        std::fprintf(stderr, "QVB_LISTEN_SOUNDFONT names no SoundFont file (FluidR3_GM.sf2).\n");
        return 2;
    }
    auto synth = openListeningSynth(soundFont);
    if (!synth) {
        std::fprintf(stderr, "%s does not load.\n", soundFont.c_str());
        return 2;
    }
    if (argc > 2)
        return printTrack(*synth, argc, argv);
    const double rate = synth->sampleRate();
    std::printf("SoundFont %s, %.0f Hz\n", soundFont.c_str(), rate);

    ListeningRules whole; // keys 36 up: the window for the low C
    int notes = 0, right = 0, octave = 0, silent = 0, wrong = 0, extra = 0, offKey = 0,
        rightOnSounding = 0;
    double cpu = 0, audio = 0;
    std::vector<double> latencyLow, latencyMid, latencyHigh, latencyCompass;
    for (const ListeningProgram& program : ListeningPrograms) {
        int programRight = 0, programNotes = 0;
        std::vector<double> programLatency, programLow; // C' and above, C-c
        for (int key = 36; key <= 84; ++key) {
            for (int velocity : {60, 110}) {
                for (bool vibrato : {false, true}) {
                    PlayedNote played;
                    played.program = program.program;
                    played.note = key;
                    played.velocity = velocity;
                    played.vibrato = vibrato;
                    const auto sound = renderNote(*synth, played);
                    // The key the SoundFont really plays, by the synthesizer tests' pitch meter
                    // over the steady part (a few of FluidR3's samples lie a semitone off).
                    const std::vector<float> steady(sound.begin() + long(0.4 * rate),
                                                    sound.begin() + long(0.7 * rate));
                    // Where the meter finds no pitch (the choir's lowest notes) the key stands.
                    const int measured = nearestKey(fundamentalHz(steady, rate)).note;
                    const int sounding = measured > 0 ? measured : key;
                    if (sounding != key) {
                        ++offKey;
                        std::printf("  the SoundFont plays %s %d v%d%s as %d\n", program.name, key,
                                    velocity, vibrato ? " vibrato" : "", sounding);
                    }
                    const Listening heard = listenTo(sound, rate, whole);
                    cpu += heard.cpu;
                    audio += heard.audio;
                    ++notes;
                    ++programNotes;
                    if (heard.answers.empty()) {
                        ++silent;
                        std::printf("  no answer: %s %d v%d%s\n", program.name, key, velocity,
                                    vibrato ? " vibrato" : "");
                        continue;
                    }
                    extra += int(heard.answers.size()) - 1;
                    for (std::size_t a = 1; a < heard.answers.size(); ++a)
                        std::printf("  second answer: %s %d v%d%s heard %d at %.0f ms\n",
                                    program.name, key, velocity, vibrato ? " vibrato" : "",
                                    heard.answers[a].note,
                                    1000.0 *
                                        (double(heard.answers[a].atSample) -
                                         double(onsetSample(played, rate))) /
                                        rate);
                    const HeardNote& first = heard.answers.front();
                    if (first.note == sounding)
                        ++rightOnSounding;
                    const double latencyMs =
                        1000.0 * (double(first.atSample) - double(onsetSample(played, rate))) /
                        rate;
                    if (first.note == key) {
                        ++right;
                        ++programRight;
                        if (key >= 60)
                            programLatency.push_back(latencyMs);
                        else if (key < 48)
                            programLow.push_back(latencyMs);
                        (key < 48   ? latencyLow
                         : key < 60 ? latencyMid
                                    : latencyHigh)
                            .push_back(latencyMs);
                    } else if ((first.note - key) % 12 == 0) {
                        ++octave;
                        std::printf("  octave: %s %d v%d%s heard %d\n", program.name, key, velocity,
                                    vibrato ? " vibrato" : "", first.note);
                    } else {
                        ++wrong;
                        std::printf("  wrong: %s %d v%d%s heard %d (%+.0f ct)\n", program.name, key,
                                    velocity, vibrato ? " vibrato" : "", first.note, first.cents);
                    }
                    if (key >= 60) {
                        // The compass from C' up hears with the window for C'.
                        ListeningRules compass;
                        compass.lowestNote = 60;
                        const Listening short_ = listenTo(sound, rate, compass);
                        if (!short_.answers.empty() && short_.answers.front().note == key)
                            latencyCompass.push_back(1000.0 *
                                                     (double(short_.answers.front().atSample) -
                                                      double(onsetSample(played, rate))) /
                                                     rate);
                    }
                }
            }
        }
        std::printf("%-11s %3d of %3d right, onset to judgement C-c %.1f ms, from C' up %.1f ms\n",
                    program.name, programRight, programNotes, median(programLow),
                    median(programLatency));
    }
    std::printf("notes %d: right key at the first answer %.2f %%, octave errors %.2f %%, "
                "other keys %.2f %%, no answer %.2f %%; second answers %d\n",
                notes, 100.0 * right / notes, 100.0 * octave / notes, 100.0 * wrong / notes,
                100.0 * silent / notes, extra);
    std::printf("the SoundFont plays %d notes off their key; counted on the key they sound, "
                "right at the first answer %.2f %%\n",
                offKey, 100.0 * rightOnSounding / notes);
    {
        // How the latencies from C' up lie around their median.
        std::vector<double> sorted = latencyHigh;
        std::sort(sorted.begin(), sorted.end());
        if (!sorted.empty())
            std::printf("C' and above: quartiles %.0f / %.0f / %.0f ms, 90 %% within %.0f ms\n",
                        sorted[sorted.size() / 4], sorted[sorted.size() / 2],
                        sorted[3 * sorted.size() / 4], sorted[9 * sorted.size() / 10]);
        const auto share = [&sorted](double ms) {
            return 100.0 *
                   double(std::upper_bound(sorted.begin(), sorted.end(), ms + 1e-6) -
                          sorted.begin()) /
                   double(std::max<std::size_t>(1, sorted.size()));
        };
        std::printf("C' and above: %.1f %% within 70 ms, %.1f %% within 75, %.1f %% within 80\n",
                    share(70), share(75), share(80));
    }
    std::printf(
        "onset to judgement, median (window %zu): C-c (36-47) %.1f ms, c-C' (48-59) %.1f ms, "
        "C' and above %.1f ms; C' and above with the C' window: %.1f ms\n",
        NoteListener::create(rate, whole)->detector().windowSize(), median(latencyLow),
        median(latencyMid), median(latencyHigh), median(latencyCompass));

    const auto noise = pinkNoise(60, rate, -30, 30);
    const Listening noiseHeard = listenTo(noise, rate, whole);
    std::printf("pink noise at -30 dBFS, 60 s: %zu answers\n", noiseHeard.answers.size());
    cpu += noiseHeard.cpu;
    audio += noiseHeard.audio;

    // The voice of the table, then a woman's and another man's, and a
    // woman's raised to a child's pitch (some 320 Hz): a listener tuned to
    // one voice only would be caught out by the next pupil's.
    struct Speaker {
        const char* voice;
        int pitch;
    };
    for (const Speaker& speaker :
         {Speaker{"de", 50}, Speaker{"de+f3", 50}, Speaker{"de+m3", 50}, Speaker{"de+f3", 99}}) {
        const char* voice = speaker.voice;
        std::vector<float> speech;
        while (double(speech.size()) < 60 * rate) {
            auto more = germanSpeech(GermanPassage, rate, voice, speaker.pitch);
            if (more.empty()) {
                std::fprintf(stderr, "espeak-ng gave no speech\n");
                break;
            }
            speech.insert(speech.end(), more.begin(), more.end());
        }
        speech.resize(std::min(speech.size(), std::size_t(60 * rate)));
        scaleToPeak(speech, -6);
        const Listening speechHeard = listenTo(speech, rate, whole);
        std::printf("German speech (espeak-ng, voice %s, pitch %d), %.1f s: %zu answers\n", voice,
                    speaker.pitch, speechHeard.audio, speechHeard.answers.size());
        for (const HeardNote& h : speechHeard.answers)
            std::printf("  speech answer %d (%+.0f ct) at %.2f s\n", h.note, h.cents,
                        double(h.atSample) / rate);
        cpu += speechHeard.cpu;
        audio += speechHeard.audio;
    }
    std::printf("CPU while listening: %.2f %% of one core (%.1f s of sound)\n", 100.0 * cpu / audio,
                audio);
    return 0;
}
