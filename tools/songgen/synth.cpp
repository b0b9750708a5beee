#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double middleC = 261.6255653005986;  // the pitch a sample plays at note C-4 when tuned to 8363 Hz
constexpr double baseRate = 8363.0;

// A small deterministic noise source, so the generator's output never
// depends on the C library.
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed) {}
    double next() {  // -1..1
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }
};

// Scales a waveform so its largest excursion is `peak` and stores it as
// 16-bit frames (8-bit samples keep only the high byte when written). A
// `drive` above 0 rounds the peaks off first (tanh), so the sound is denser
// for the same peak level.
std::vector<int16_t> quantise(const std::vector<double>& wave, double peak, bool sixteenBit, double drive = 0.0) {
    double largest = 1e-9;
    for (double v : wave) largest = std::max(largest, std::fabs(v));
    std::vector<int16_t> frames(wave.size());
    for (size_t i = 0; i < wave.size(); ++i) {
        double v = wave[i] / largest;
        if (drive > 0.0) v = std::tanh(drive * v) / std::tanh(drive);
        v *= peak;
        if (sixteenBit) {
            frames[i] = static_cast<int16_t>(std::lround(std::clamp(v * 32767.0, -32768.0, 32767.0)));
        } else {
            const long b = std::clamp(std::lround(v * 127.0), -128L, 127L);
            frames[i] = static_cast<int16_t>(b * 256);
        }
    }
    return frames;
}

// Relative note and finetune so that a sample whose content at `rate` frames
// per second has the pitch `pitch` sounds at the right pitch for every note
// (C-4 = middle C). For a drum, pitch = middleC plays it at its own rate on C-4.
void tune(XmSample& s, double rate, double pitch) {
    const double semitones = 12.0 * std::log2(rate * middleC / (pitch * baseRate));
    const long whole = std::lround(semitones);
    const long fine = std::clamp(std::lround((semitones - static_cast<double>(whole)) * 128.0), -128L, 127L);
    s.relativeNote = static_cast<int8_t>(whole);
    s.finetune = static_cast<int8_t>(fine);
}

// One cycle (or `cycles` cycles) of a band-limited wave with the given
// harmonic amplitudes, `length` frames in all.
std::vector<double> additive(size_t length, int cycles, const std::vector<double>& harmonics,
                             double phaseSpread = 0.0) {
    std::vector<double> w(length, 0.0);
    for (size_t h = 0; h < harmonics.size(); ++h) {
        const double k = static_cast<double>(h + 1);
        const double phase = phaseSpread * k * k;
        for (size_t i = 0; i < length; ++i)
            w[i] += harmonics[h] *
                    std::sin(2.0 * pi * k * cycles * static_cast<double>(i) / static_cast<double>(length) + phase);
    }
    return w;
}

std::vector<double> sawHarmonics(int count, double tilt) {
    std::vector<double> a;
    for (int k = 1; k <= count; ++k) a.push_back(1.0 / std::pow(static_cast<double>(k), tilt));
    return a;
}

XmEnvelope envelope(std::vector<std::pair<uint16_t, uint16_t>> points) {
    XmEnvelope e;
    e.points = std::move(points);
    e.on = true;
    return e;
}

XmEnvelope sustained(XmEnvelope e, uint8_t point) {
    e.sustain = true;
    e.sustainPoint = point;
    return e;
}

XmEnvelope looped(XmEnvelope e, uint8_t from, uint8_t to) {
    e.loop = true;
    e.loopStart = from;
    e.loopEnd = to;
    return e;
}

// A one-shot sample recorded at `rate` frames per second, which plays at
// that rate on C-4.
XmSample drum(const char* name, std::vector<int16_t> frames, bool sixteenBit, double rate) {
    XmSample s;
    s.name = name;
    s.frames = std::move(frames);
    s.sixteenBit = sixteenBit;
    tune(s, rate, middleC);
    return s;
}

// A looped sample whose waveform repeats every `framesPerCycle` frames,
// tuned so that every note plays at its own pitch.
XmSample pitched(const char* name, std::vector<int16_t> frames, bool sixteenBit, XmLoop loop, size_t loopStart,
                 size_t loopLength, double framesPerCycle) {
    XmSample s;
    s.name = name;
    s.frames = std::move(frames);
    s.sixteenBit = sixteenBit;
    s.loop = loop;
    s.loopStart = static_cast<uint32_t>(loopStart);
    s.loopLength = static_cast<uint32_t>(loopLength);
    tune(s, 1.0, 1.0 / framesPerCycle);
    return s;
}

XmInstrument one(const char* name, XmSample s) {
    XmInstrument ins;
    ins.name = name;
    ins.samples.push_back(std::move(s));
    return ins;
}

}  // namespace

XmInstrument makeKick() {
    // A falling sine with a short click; 16-bit to keep the low end clean.
    const double rate = 11025.0;
    const size_t n = static_cast<size_t>(rate * 0.30);
    Noise noise(0x4b1d);
    std::vector<double> w(n);
    double phase = 0.0;
    double click = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double freq = 44.0 + 120.0 * std::exp(-t / 0.03);
        phase += 2.0 * pi * freq / rate;
        const double body = std::sin(phase) * std::exp(-t / 0.16) * std::min(1.0, t / 0.002);
        click = 0.6 * click + 0.4 * noise.next();
        w[i] = std::tanh(1.8 * body) + 0.35 * click * std::exp(-t / 0.004);
    }
    for (size_t i = n - 200; i < n; ++i) w[i] *= static_cast<double>(n - i) / 200.0;
    return one("kick", drum("kick", quantise(w, 0.97, true), true, rate));
}

XmInstrument makeStab() {
    // Two slightly detuned saws over a 64-frame cycle; the envelope turns it
    // into a stab with a gated echo every two rows.
    const size_t n = 4096;
    std::vector<double> w = additive(n, 64, sawHarmonics(22, 1.0));
    const std::vector<double> b = additive(n, 65, sawHarmonics(22, 1.0), 0.3);
    for (size_t i = 0; i < n; ++i) w[i] += 0.6 * b[i];
    XmInstrument ins =
        one("echo stab", pitched("detuned saw", quantise(w, 0.95, false, 1.5), false, XmLoop::forward, 0, n, 64.0));
    ins.volumeEnvelope =
        looped(envelope({{0, 64}, {3, 36}, {8, 11}, {15, 5}, {16, 34}, {18, 16}, {21, 6}, {31, 5}}), 3, 7);
    ins.fadeout = 2048;
    return ins;
}

XmInstrument makeSnare() {
    const double rate = 16000.0;
    const size_t n = static_cast<size_t>(rate * 0.24);
    Noise noise(0x5a4e);
    std::vector<double> w(n);
    double low = 0.0;
    double prev = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double tone = std::sin(2.0 * pi * 180.0 * t) * std::exp(-t / 0.045) +
                            0.5 * std::sin(2.0 * pi * 330.0 * t) * std::exp(-t / 0.025);
        const double raw = noise.next();
        low += 0.35 * (raw - low);
        const double bright = raw - prev;  // tilt the noise upwards
        prev = raw;
        const double snap = (0.7 * low + 0.7 * bright) * std::exp(-t / 0.065);
        w[i] = std::tanh(1.3 * (0.75 * tone + snap)) * std::min(1.0, t / 0.001);
    }
    return one("snare", drum("snare", quantise(w, 0.97, false), false, rate));
}

XmInstrument makeHat() {
    const double rate = 22050.0;
    const size_t n = static_cast<size_t>(rate * 0.07);
    Noise noise(0x4a7);
    std::vector<double> w(n);
    double a = 0.0;
    double b = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double x = noise.next();
        const double hp = x - a;  // first differences tilt the noise up to a hiss
        a = x;
        const double hp2 = hp - b;
        b = hp;
        w[i] = (0.6 * hp + 0.4 * hp2) * std::exp(-t / 0.016);
    }
    XmSample s = drum("closed hat", quantise(w, 0.95, false), false, rate);
    s.panning = 160;  // a little to the right, clear of the snare
    return one("hat", std::move(s));
}

XmInstrument makeBass() {
    // Sixteen cycles whose brightness falls, then the last cycle loops: a
    // plucked start settling into a round tone.
    const size_t cycle = 64;
    const int cycles = 16;
    std::vector<double> w;
    for (int c = 0; c < cycles; ++c) {
        const double bright = 2.0 + 10.0 * std::exp(-c / 4.0);
        std::vector<double> harmonics;
        for (int k = 1; k <= 24; ++k) {
            const double kk = static_cast<double>(k);
            harmonics.push_back((k == 1 ? 1.6 : 1.0) / kk / (1.0 + (kk / bright) * (kk / bright)));
        }
        const std::vector<double> one = additive(cycle, 1, harmonics);
        w.insert(w.end(), one.begin(), one.end());
    }
    XmInstrument ins = one("bass", pitched("bass", quantise(w, 0.97, true, 1.2), true, XmLoop::forward,
                                           cycle * (cycles - 1), cycle, static_cast<double>(cycle)));
    ins.volumeEnvelope = sustained(envelope({{0, 64}, {6, 52}, {24, 44}, {40, 0}}), 2);
    ins.fadeout = 1024;
    return ins;
}

XmInstrument makePad() {
    // Three soft saws a few cents apart, played back and forth so the chorus
    // never jumps; the volume swells and breathes, the panning drifts.
    const size_t n = 8192;
    std::vector<double> w = additive(n, 128, sawHarmonics(14, 1.4));
    const std::vector<double> up = additive(n, 129, sawHarmonics(14, 1.4), 0.7);
    const std::vector<double> down = additive(n, 127, sawHarmonics(14, 1.4), 1.9);
    for (size_t i = 0; i < n; ++i) w[i] += up[i] + down[i];
    XmInstrument ins = one("pad", pitched("pad", quantise(w, 0.95, false, 1.8), false, XmLoop::pingPong, 0, n,
                                         static_cast<double>(n) / 128.0));
    // Swells once, then breathes until released.
    ins.volumeEnvelope = looped(envelope({{0, 0}, {24, 48}, {48, 60}, {80, 44}, {112, 60}}), 2, 4);
    ins.panningEnvelope = looped(envelope({{0, 32}, {64, 18}, {128, 46}, {192, 32}}), 0, 3);
    ins.fadeout = 320;
    return ins;
}

XmInstrument makeLead() {
    // A pulse of about a third with a little saw in it: bright but not harsh.
    const size_t cycle = 64;
    std::vector<double> harmonics;
    for (int k = 1; k <= 20; ++k) {
        const double kk = static_cast<double>(k);
        const double pulse = std::sin(pi * kk * 0.32) / kk;
        harmonics.push_back((0.8 * pulse + 0.35 / kk) / (1.0 + kk * kk / 300.0));
    }
    XmInstrument ins = one("lead", pitched("lead", quantise(additive(cycle, 1, harmonics), 0.97, true), true,
                                           XmLoop::forward, 0, cycle, static_cast<double>(cycle)));
    ins.volumeEnvelope = sustained(envelope({{0, 0}, {2, 64}, {12, 50}, {28, 0}}), 2);
    ins.fadeout = 1024;
    return ins;
}

XmInstrument makeBell() {
    // Frequency modulation at 4:1 whose index falls through the attack; the
    // last four cycles loop with the index held.
    const size_t cycle = 64;
    const size_t n = 2048;
    const size_t loopFrames = 4 * cycle;
    std::vector<double> w(n);
    for (size_t i = 0; i < n; ++i) {
        const size_t held = std::min(i, n - loopFrames);
        const double index = 0.35 + 2.6 * std::exp(-static_cast<double>(held) / 420.0);
        const double phase = 2.0 * pi * static_cast<double>(i) / static_cast<double>(cycle);
        w[i] = std::sin(phase + index * std::sin(4.0 * phase)) + 0.25 * std::sin(2.0 * phase);
    }
    XmInstrument ins = one("bell", pitched("bell", quantise(w, 0.95, false), false, XmLoop::forward,
                                           n - loopFrames, loopFrames, static_cast<double>(cycle)));
    ins.volumeEnvelope = envelope({{0, 64}, {4, 44}, {16, 24}, {48, 10}, {120, 0}});
    ins.panningEnvelope = looped(envelope({{0, 32}, {24, 16}, {72, 48}, {96, 32}}), 0, 3);
    ins.fadeout = 1024;
    return ins;
}

namespace {

// White noise tilted towards the highs, looped over all its frames.
XmSample loopedNoise(const char* name, uint32_t seed, size_t frames, double tilt) {
    const double rate = 22050.0;
    Noise noise(seed);
    std::vector<double> w(frames);
    double a = 0.0;
    for (size_t i = 0; i < frames; ++i) {
        const double x = noise.next();
        w[i] = x - tilt * a;
        a = x;
    }
    XmSample s = drum(name, quantise(w, 0.95, false), false, rate);
    s.loop = XmLoop::forward;
    s.loopStart = 0;
    s.loopLength = static_cast<uint32_t>(frames);
    return s;
}

}  // namespace

XmInstrument makeNoise() {
    // Open hat and crash: bright noise shaped by the envelope and the pattern.
    XmSample s = loopedNoise("noise", 0xc0ffee, 4096, 0.85);
    s.panning = 100;  // and the cymbals a little to the left
    XmInstrument ins = one("cymbal", std::move(s));
    ins.volumeEnvelope = envelope({{0, 64}, {6, 34}, {40, 12}, {160, 0}});
    ins.fadeout = 2048;
    return ins;
}

XmInstrument makeRiser() {
    // Noise with no envelope: the pattern swells it and slides it up.
    XmInstrument ins = one("riser", loopedNoise("noise", 0x5eed, 2048, 0.5));
    ins.fadeout = 4096;
    return ins;
}

XmInstrument makeTom() {
    const double rate = 11025.0;
    const size_t n = static_cast<size_t>(rate * 0.28);
    std::vector<double> w(n);
    double phase = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        phase += 2.0 * pi * (110.0 + 70.0 * std::exp(-t / 0.05)) / rate;
        w[i] = std::sin(phase) * std::exp(-t / 0.11) * std::min(1.0, t / 0.002);
    }
    for (size_t i = n - 100; i < n; ++i) w[i] *= static_cast<double>(n - i) / 100.0;
    return one("tom", drum("tom", quantise(w, 0.97, false), false, rate));
}

XmInstrument makeEmpty(const char* name) {
    XmInstrument ins;
    ins.name = name;
    return ins;
}
