#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/embedded_song.h"
#include "audio/memory_file.h"
#include "audio/stream.h"

namespace {

void registerMemoryFile() {
    setStreamCallbacks(memoryFileOpen, memoryFileClose, memoryFileRead, memoryFileSeek, memoryFileTell);
}

int32_t songSize() { return static_cast<int32_t>(embeddedSongSize); }

TEST(StreamCallbacks, AllOrNothing) {
    registerMemoryFile();
    EXPECT_TRUE(streamCallbacksRegistered());
    // Any one missing clears the whole set.
    setStreamCallbacks(memoryFileOpen, memoryFileClose, memoryFileRead, nullptr, memoryFileTell);
    EXPECT_FALSE(streamCallbacksRegistered());
    EXPECT_EQ(streamCallbacks.open, nullptr);
    EXPECT_EQ(streamCallbacks.close, nullptr);
    EXPECT_EQ(streamCallbacks.read, nullptr);
    EXPECT_EQ(streamCallbacks.tell, nullptr);
    EXPECT_EQ(streamOpen(nullptr), nullptr);
}

TEST(StreamCallbacks, NoStreamIsHarmless) {
    registerMemoryFile();
    char byte = 42;
    EXPECT_EQ(streamRead(&byte, 1, nullptr), 0);
    EXPECT_EQ(byte, 42);
    EXPECT_EQ(streamTell(nullptr), 0);
    streamSeek(nullptr, 5, 0);
    streamClose(nullptr);
}

void* refuseOpen(const char*) { return nullptr; }

TEST(StreamCallbacks, OpenThatGivesNothingGivesNoStream) {
    setStreamCallbacks(refuseOpen, memoryFileClose, memoryFileRead, memoryFileSeek, memoryFileTell);
    EXPECT_EQ(streamOpen("anything"), nullptr);
}

TEST(StreamCallbacks, ForwardsToTheMemoryFile) {
    registerMemoryFile();
    Stream* stream = streamOpen(nullptr);
    ASSERT_NE(stream, nullptr);
    char header[17];
    EXPECT_EQ(streamRead(header, 17, stream), 17);
    EXPECT_EQ(std::memcmp(header, embeddedSong, 17), 0);
    EXPECT_EQ(streamTell(stream), 17);
    streamSeek(stream, 3, 1);
    EXPECT_EQ(streamTell(stream), 20);
    streamClose(stream);
}

// Each row: a starting position, one seek, and where it leaves the file.
struct SeekCase {
    const char* what;
    int32_t from;
    int32_t offset;
    uint8_t mode;
    int32_t expected;  // -1 stands for the song's size
};

TEST(MemoryFile, Seeks) {
    const SeekCase cases[] = {
        {"set", 0, 100, 0, 100},
        {"move on", 100, 50, 1, 150},
        {"move back", 100, -40, 1, 60},
        {"to the end ignores the offset", 0, 500, 2, -1},
        {"set past the end stops at the end", 0, 0x7FFFFFFF, 0, -1},
        {"move past the end stops at the end", 0, 40000000, 1, -1},
        {"move past the end from near the end", 10, 0x7FFFFFFF, 1, -1},
        {"unknown mode changes nothing", 7, 100, 3, 7},
        {"set below the start clamps to 0", 50, -1, 0, 0},
        {"move below the start clamps to 0", 50, -51, 1, 0},
        {"far below the start", 50, INT32_MIN, 1, 0},
    };
    for (const SeekCase& c : cases) {
        void* file = memoryFileOpen(nullptr);
        ASSERT_NE(file, nullptr);
        memoryFileSeek(file, c.from, 0);
        memoryFileSeek(file, c.offset, c.mode);
        EXPECT_EQ(memoryFileTell(file), c.expected < 0 ? songSize() : c.expected) << c.what;
        memoryFileClose(file);
    }
}

TEST(MemoryFile, ReadsAreCutAtTheEnd) {
    void* file = memoryFileOpen(nullptr);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(memoryFileTell(file), 0);
    std::vector<unsigned char> buffer(200, 0xEE);
    EXPECT_EQ(memoryFileRead(buffer.data(), 17, file), 17);
    EXPECT_EQ(memoryFileTell(file), 17);

    const int32_t nearEnd = songSize() - 54;
    memoryFileSeek(file, nearEnd, 0);
    EXPECT_EQ(memoryFileRead(buffer.data(), 100, file), 54);
    EXPECT_EQ(std::memcmp(buffer.data(), embeddedSong + nearEnd, 54), 0);
    EXPECT_EQ(buffer[54], 0xEE) << "nothing is written past the bytes read";
    EXPECT_EQ(memoryFileTell(file), songSize());

    buffer.assign(200, 0xEE);
    EXPECT_EQ(memoryFileRead(buffer.data(), 100, file), 0);
    EXPECT_EQ(buffer[0], 0xEE);
    memoryFileClose(file);
}

TEST(MemoryFile, HostileCountsCopyNothingOrOnlyTheRest) {
    void* file = memoryFileOpen(nullptr);
    ASSERT_NE(file, nullptr);
    std::vector<unsigned char> buffer(songSize() + 16, 0xEE);
    memoryFileSeek(file, 10, 0);
    EXPECT_EQ(memoryFileRead(buffer.data(), -5, file), 0);
    EXPECT_EQ(memoryFileRead(buffer.data(), 0, file), 0);
    EXPECT_EQ(memoryFileRead(nullptr, 5, file), 0);
    EXPECT_EQ(memoryFileTell(file), 10);
    // position + count overflows 32 bits: still only the rest of the file.
    EXPECT_EQ(memoryFileRead(buffer.data(), 0x7FFFFFFF, file), songSize() - 10);
    EXPECT_EQ(memoryFileRead(nullptr, 1, nullptr), 0);
    memoryFileSeek(nullptr, 1, 0);
    EXPECT_EQ(memoryFileTell(nullptr), 0);
    memoryFileClose(file);
}

TEST(MemoryFile, ReopeningGivesAFreshFileOverTheSameBytes) {
    std::vector<unsigned char> first(songSize()), second(songSize());
    void* file = memoryFileOpen("ignored");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(memoryFileRead(first.data(), songSize(), file), songSize());
    memoryFileClose(file);
    file = memoryFileOpen(nullptr);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(memoryFileTell(file), 0);
    EXPECT_EQ(memoryFileRead(second.data(), songSize(), file), songSize());
    EXPECT_EQ(first, second);
    EXPECT_EQ(std::memcmp(first.data(), embeddedSong, songSize()), 0);
    memoryFileClose(file);
}

}  // namespace
