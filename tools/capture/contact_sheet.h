#pragma once
#include <cstdint>
#include <vector>

// A grid of scaled-down frames, one per second of the show, each labelled
// with its second.
struct ContactSheet {
    int32_t columns = 10;
    int32_t cellWidth = 160;   // a quarter of the frame's width
    int32_t cellHeight = 120;  // and of its height
    int32_t gap = 4;
    int32_t count = 0;
    std::vector<uint32_t> thumbnails;  // count cells of cellWidth x cellHeight, one after another

    int32_t width() const;
    int32_t height() const;
};

// Adds a 640x480 frame, averaged down by four in each direction, with
// `label` written into its top-left corner.
void contactSheetAdd(ContactSheet& sheet, const uint32_t* frame, const char* label);

// Lays the cells out on a dark grey ground, row after row.
std::vector<uint32_t> contactSheetCompose(const ContactSheet& sheet);
