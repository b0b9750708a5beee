#include "wav_writer.h"

#include <cstring>

namespace {

void put16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t* at, uint32_t value) {
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
}

void writeHeader(WavWriter& wav) {
    const auto rate = static_cast<uint32_t>(wav.rate);
    uint8_t header[44] = {};
    std::memcpy(header, "RIFF", 4);
    put32(header + 4, 36 + wav.dataBytes);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    put32(header + 16, 16);
    put16(header + 20, 1);  // PCM
    put16(header + 22, 2);  // stereo
    put32(header + 24, rate);
    put32(header + 28, rate * 4);
    put16(header + 32, 4);
    put16(header + 34, 16);
    std::memcpy(header + 36, "data", 4);
    put32(header + 40, wav.dataBytes);
    if (std::fwrite(header, 1, sizeof header, wav.file) != sizeof header) wav.failed = true;
}

}  // namespace

bool wavOpen(WavWriter& wav, const char* path, int32_t rate) {
    wav = WavWriter{};
    wav.file = std::fopen(path, "wb");
    if (wav.file == nullptr) return false;
    wav.rate = rate;
    writeHeader(wav);
    return !wav.failed;
}

void wavAppend(WavWriter& wav, const int16_t* samples, size_t count) {
    if (wav.file == nullptr || count == 0) return;
    // Little-endian on disk whatever the machine.
    uint8_t bytes[4096];
    size_t done = 0;
    while (done < count) {
        const size_t piece = count - done < sizeof bytes / 2 ? count - done : sizeof bytes / 2;
        for (size_t i = 0; i < piece; ++i) put16(bytes + i * 2, static_cast<uint16_t>(samples[done + i]));
        if (std::fwrite(bytes, 2, piece, wav.file) != piece) wav.failed = true;
        done += piece;
    }
    wav.dataBytes += static_cast<uint32_t>(count * 2);
}

bool wavClose(WavWriter& wav) {
    if (wav.file == nullptr) return false;
    if (std::fseek(wav.file, 0, SEEK_SET) != 0) wav.failed = true;
    else writeHeader(wav);
    if (std::fclose(wav.file) != 0) wav.failed = true;
    wav.file = nullptr;
    return !wav.failed;
}
