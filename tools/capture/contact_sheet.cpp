#include "contact_sheet.h"

#include <algorithm>
#include <cstddef>

#include "core/frame_buffer.h"
#include "raster/text.h"

namespace {

constexpr int32_t scale = 4;
constexpr uint32_t groundColour = 0x202020;

// The label is written at full size with the show's own font onto a scratch
// picture, then copied pixel for pixel into the cell.
FrameBuffer labelScratch;

}  // namespace

int32_t ContactSheet::width() const {
    // A short run fills only the columns it needs.
    const int32_t used = std::clamp(count, 1, columns);
    return used * cellWidth + (used + 1) * gap;
}

int32_t ContactSheet::height() const {
    const int32_t rows = std::max(1, (count + columns - 1) / columns);
    return rows * cellHeight + (rows + 1) * gap;
}

void contactSheetAdd(ContactSheet& sheet, const uint32_t* frame, const char* label) {
    const size_t cellPixels = static_cast<size_t>(sheet.cellWidth) * sheet.cellHeight;
    sheet.thumbnails.resize(sheet.thumbnails.size() + cellPixels);
    uint32_t* cell = sheet.thumbnails.data() + static_cast<size_t>(sheet.count) * cellPixels;
    ++sheet.count;

    for (int32_t y = 0; y < sheet.cellHeight; ++y) {
        for (int32_t x = 0; x < sheet.cellWidth; ++x) {
            uint32_t red = 0;
            uint32_t green = 0;
            uint32_t blue = 0;
            for (int32_t dy = 0; dy < scale; ++dy) {
                const uint32_t* row = frame + (y * scale + dy) * frameWidth + x * scale;
                for (int32_t dx = 0; dx < scale; ++dx) {
                    red += (row[dx] >> 16) & 0xFF;
                    green += (row[dx] >> 8) & 0xFF;
                    blue += row[dx] & 0xFF;
                }
            }
            constexpr uint32_t samples = scale * scale;
            cell[y * sheet.cellWidth + x] = ((red / samples) << 16) | ((green / samples) << 8) | (blue / samples);
        }
    }

    if (label == nullptr || *label == 0) return;
    std::fill(std::begin(labelScratch.pixels), std::end(labelScratch.pixels), 0u);
    drawText(labelScratch.pixels, 0, 0, label, 255);
    const int32_t labelWidth = std::min(sheet.cellWidth - 2, glyphWidth * 12);
    for (int32_t y = 0; y < glyphHeight && y + 2 < sheet.cellHeight; ++y) {
        for (int32_t x = 0; x < labelWidth; ++x) {
            const uint32_t pixel = labelScratch.pixels[y * frameWidth + x + 1];
            if (pixel != 0) cell[(y + 2) * sheet.cellWidth + x + 2] = pixel;
        }
    }
}

std::vector<uint32_t> contactSheetCompose(const ContactSheet& sheet) {
    const int32_t width = sheet.width();
    std::vector<uint32_t> picture(static_cast<size_t>(width) * sheet.height(), groundColour);
    const size_t cellPixels = static_cast<size_t>(sheet.cellWidth) * sheet.cellHeight;
    for (int32_t index = 0; index < sheet.count; ++index) {
        const int32_t left = sheet.gap + (index % sheet.columns) * (sheet.cellWidth + sheet.gap);
        const int32_t top = sheet.gap + (index / sheet.columns) * (sheet.cellHeight + sheet.gap);
        const uint32_t* cell = sheet.thumbnails.data() + index * cellPixels;
        for (int32_t y = 0; y < sheet.cellHeight; ++y) {
            std::copy(cell + y * sheet.cellWidth, cell + (y + 1) * sheet.cellWidth,
                      picture.begin() + static_cast<std::ptrdiff_t>(top + y) * width + left);
        }
    }
    return picture;
}
