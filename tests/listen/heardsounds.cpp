// SPDX-License-Identifier: GPL-3.0-or-later
#include "heardsounds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "fluidsynthout.h"
#include "midioutport.h"
#include "pitchmeter.h"

std::string listeningSoundFont() {
    const char* path = std::getenv("QVB_LISTEN_SOUNDFONT");
    struct stat st {};
    if (!path || ::stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return path;
}

std::unique_ptr<FluidSynthOut> openListeningSynth(const std::string& soundFont) {
    SynthConfig config;
    config.soundFont = soundFont;
    config.soundFontRoot = "/nonexistent"; // that SoundFont or none
    return FluidSynthOut::openOffline(config);
}

namespace {
void renderInto(FluidSynthOut& synth, std::vector<float>& out, double ms) {
    const int frames = int(std::lround(ms * synth.sampleRate() / 1000.0));
    if (frames <= 0)
        return;
    std::vector<float> left(static_cast<std::size_t>(frames));
    std::vector<float> right(left.size());
    synth.render(left.data(), right.data(), frames);
    for (int i = 0; i < frames; ++i)
        out.push_back(0.5f * (left[std::size_t(i)] + right[std::size_t(i)]));
}

void silence(FluidSynthOut& synth) {
    synth.sendShort(packShortMessage(0xB0, 120, 0)); // all sound off
    synth.sendShort(packShortMessage(0xB0, 121, 0)); // controllers back
    std::vector<float> drop;
    renderInto(synth, drop, 50);
}
} // namespace

std::size_t onsetSample(const PlayedNote& played, double rate) {
    return std::size_t(std::lround(played.leadMs * rate / 1000.0));
}

std::vector<float> renderNote(FluidSynthOut& synth, const PlayedNote& played) {
    silence(synth);
    std::vector<float> out;
    synth.sendShort(packShortMessage(0xC0, uint8_t(played.program), 0));
    synth.sendShort(packShortMessage(0xB0, 1, played.vibrato ? 64 : 0));
    renderInto(synth, out, played.leadMs);
    synth.sendShort(packShortMessage(0x90, uint8_t(played.note), uint8_t(played.velocity)));
    renderInto(synth, out, played.holdMs);
    synth.sendShort(packShortMessage(0x80, uint8_t(played.note), 0));
    renderInto(synth, out, played.tailMs);
    return out;
}

std::vector<float> renderGlide(FluidSynthOut& synth, int program, int fromNote, int toNote,
                               double ms) {
    silence(synth);
    std::vector<float> out;
    synth.sendShort(packShortMessage(0xC0, uint8_t(program), 0));
    // Bend range: an octave either way (registered parameter 0).
    synth.sendShort(packShortMessage(0xB0, 101, 0));
    synth.sendShort(packShortMessage(0xB0, 100, 0));
    synth.sendShort(packShortMessage(0xB0, 6, 12));
    synth.sendShort(packShortMessage(0xB0, 38, 0));
    const int centre = (fromNote + toNote) / 2;
    const auto bend = [&](double note) {
        const int value =
            std::clamp(int(std::lround(8192 + (note - centre) * 8192 / 12.0)), 0, 16383);
        synth.sendShort(packShortMessage(0xE0, uint8_t(value & 0x7F), uint8_t(value >> 7)));
    };
    bend(fromNote);
    renderInto(synth, out, 100);
    synth.sendShort(packShortMessage(0x90, uint8_t(centre), 110));
    // Cut off where it ends, still sliding while the sound dies away: a
    // release at rest would hold the last pitch.
    const double stepMs = 2;
    for (double t = 0; t < ms + 100; t += stepMs) {
        bend(fromNote + (toNote - fromNote) * t / ms);
        if (t < ms && t + stepMs >= ms)
            synth.sendShort(packShortMessage(0xB0, 120, 0));
        renderInto(synth, out, stepMs);
    }
    synth.sendShort(packShortMessage(0x80, uint8_t(centre), 0));
    renderInto(synth, out, 100);
    synth.sendShort(packShortMessage(0xE0, 0, 0x40));
    return out;
}

std::vector<float> pinkNoise(double seconds, double rate, double rmsDbfs, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> white(0.0, 1.0);
    std::vector<float> out(std::size_t(seconds * rate));
    // Paul Kellet's filter: white noise through seven first-order sections.
    double b0 = 0, b1 = 0, b2 = 0, b3 = 0, b4 = 0, b5 = 0, b6 = 0;
    double squares = 0;
    for (float& x : out) {
        const double w = white(random);
        b0 = 0.99886 * b0 + w * 0.0555179;
        b1 = 0.99332 * b1 + w * 0.0750759;
        b2 = 0.96900 * b2 + w * 0.1538520;
        b3 = 0.86650 * b3 + w * 0.3104856;
        b4 = 0.55000 * b4 + w * 0.5329522;
        b5 = -0.7616 * b5 - w * 0.0168980;
        const double pink = b0 + b1 + b2 + b3 + b4 + b5 + b6 + w * 0.5362;
        b6 = w * 0.115926;
        x = float(pink);
        squares += pink * pink;
    }
    const double gain = std::pow(10.0, rmsDbfs / 20.0) / std::sqrt(squares / double(out.size()));
    for (float& x : out)
        x = float(x * gain);
    return out;
}

std::vector<float> germanSpeech(const std::string& text, double rate, const std::string& voice,
                                int pitch) {
    char path[] = "/tmp/qvb-speechXXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0)
        return {};
    ::close(fd);
    FILE* espeak =
        ::popen(("espeak-ng -v " + voice + " -p " + std::to_string(std::clamp(pitch, 0, 99)) +
                 " -w " + std::string(path) + " 2>/dev/null")
                    .c_str(),
                "w");
    if (!espeak) {
        std::remove(path);
        return {};
    }
    std::fwrite(text.data(), 1, text.size(), espeak);
    const int status = ::pclose(espeak);
    std::string bytes;
    if (FILE* wav = std::fopen(path, "rb")) {
        char buffer[65536];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, wav)) > 0)
            bytes.append(buffer, n);
        std::fclose(wav);
    }
    std::remove(path);
    double speechRate = 0;
    const std::vector<float> speech =
        status == 0 ? wavFirstChannel(bytes, speechRate) : std::vector<float>();
    if (speech.empty() || speechRate <= 0)
        return {};
    // Up to the microphone's rate: linear between espeak-ng's samples is
    // enough for a voice that carries nothing above 5 kHz.
    std::vector<float> out(std::size_t(double(speech.size()) * rate / speechRate));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double at = double(i) * speechRate / rate;
        const auto k = std::size_t(at);
        const double frac = at - double(k);
        const float a = speech[std::min(k, speech.size() - 1)];
        const float b = speech[std::min(k + 1, speech.size() - 1)];
        out[i] = float(a + (b - a) * frac);
    }
    return out;
}

void scaleToPeak(std::vector<float>& sound, double peakDbfs) {
    float top = 0;
    for (float x : sound)
        top = std::max(top, std::abs(x));
    if (top <= 0)
        return;
    const float gain = float(std::pow(10.0, peakDbfs / 20.0) / top);
    for (float& x : sound)
        x *= gain;
}
