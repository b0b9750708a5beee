#pragma once
// Writes 3D Studio chunk trees: begin() opens a chunk, end() closes the most
// recent open one and fills in its length. Used by the model generator and by
// the tests that build small model files.
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

class ChunkWriter {
public:
    void begin(uint16_t id) {
        u16(id);
        open.push_back(bytes.size());
        u32(0);  // length, filled in by end()
    }
    void end() {
        size_t lengthAt = open.back();
        open.pop_back();
        uint32_t length = static_cast<uint32_t>(bytes.size() - (lengthAt - 2));
        for (int i = 0; i < 4; ++i) {
            bytes[lengthAt + i] = static_cast<uint8_t>(length >> (8 * i));
        }
    }
    void u8(uint8_t value) { bytes.push_back(value); }
    void u16(uint16_t value) {
        u8(static_cast<uint8_t>(value));
        u8(static_cast<uint8_t>(value >> 8));
    }
    void u32(uint32_t value) {
        u16(static_cast<uint16_t>(value));
        u16(static_cast<uint16_t>(value >> 16));
    }
    void f32(float value) { u32(std::bit_cast<uint32_t>(value)); }
    // A zero-terminated name.
    void name(const char* text) {
        bytes.insert(bytes.end(), text, text + std::strlen(text) + 1);
    }

    std::vector<uint8_t> bytes;

private:
    std::vector<size_t> open;
};
