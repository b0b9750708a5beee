#include <cstddef>
#include <algorithm>
#include <cstring>

#include "assetgen.h"
#include "strokes.h"

namespace {

constexpr int width = 282;
constexpr int height = 91;
constexpr int samples = 4;  // per pixel side, for the letters' edges

// One line of lettering: the font's strokes, scaled and moved into the logo.
struct Lettering {
    std::vector<Stroke> strokes;
    double pen;        // stroke radius in logo pixels
    double top;        // rows of the shading gradient
    double bottom;
};

Lettering letter(const char* text, double scaleX, double scaleY, double advance, double pen,
                 double centreX, double topY) {
    Lettering l{{}, pen, 0, 0};
    const double count = static_cast<double>(std::strlen(text));
    const double originX = centreX - advance * count / 2.0;
    for (size_t i = 0; text[i] != 0; ++i) {
        // Glyph cells are centred on x 6 of their 12 columns.
        const double cellCentre = originX + advance * (static_cast<double>(i) + 0.5);
        for (Stroke s : glyphStrokes(text[i])) {
            s.a = {cellCentre + (s.a.x - 6.0) * scaleX, topY + s.a.y * scaleY};
            s.b = {cellCentre + (s.b.x - 6.0) * scaleX, topY + s.b.y * scaleY};
            s.widen *= scaleX;
            l.strokes.push_back(s);
        }
    }
    double minY = 1e9;
    double maxY = -1e9;
    for (const Stroke& s : l.strokes) {
        minY = std::min({minY, s.a.y, s.b.y});
        maxY = std::max({maxY, s.a.y, s.b.y});
    }
    l.top = minY - pen;
    l.bottom = maxY + pen;
    return l;
}

}  // namespace

std::vector<unsigned char> makeLogoImage() {
    std::vector<Lettering> lines;
    // Tall, narrow letters for the name; the year smaller beneath, between rules.
    lines.push_back(letter("zandivorium", 2.1, 4.0, 24.6, 2.8, width / 2.0, 1.0));
    constexpr double yearTop = 58.0;
    constexpr double yearScale = 2.0;
    Lettering year = letter("2001", 1.9, yearScale, 26.0, 2.1, width / 2.0, yearTop - 2.6 * yearScale + 4.0);
    // Rules either side of the year, at the middle of its digits.
    const double ruleY = yearTop + 4.0 + 4.7 * yearScale;
    year.strokes.push_back({{16.0, ruleY}, {width / 2.0 - 62.0, ruleY}, -1.0});
    year.strokes.push_back({{width / 2.0 + 62.0, ruleY}, {width - 16.0, ruleY}, -1.0});
    lines.push_back(year);

    // A dark rim keeps the letters apart from a busy scene behind them; the
    // letters are lit from the upper left (bright top edges, deeper lower
    // edges) and grow darker toward their foot.
    constexpr double rimReach = 4.0;
    constexpr int rimGrey = 2;
    constexpr double lightX = -0.8;
    constexpr double lightY = -0.9;
    std::vector<unsigned char> image(static_cast<size_t>(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double best = 0.0;
            bool rim = false;
            for (const Lettering& l : lines) {
                const double centreDistance = strokeDistance(l.strokes, {x + 0.5, y + 0.5}) - l.pen;
                if (centreDistance > 2.0 + rimReach) continue;
                if (centreDistance <= rimReach) rim = true;
                double sum = 0.0;
                int inside = 0;
                for (int sy = 0; sy < samples; ++sy)
                    for (int sx = 0; sx < samples; ++sx) {
                        const Point p{x + (sx + 0.5) / samples, y + (sy + 0.5) / samples};
                        if (strokeDistance(l.strokes, p) > l.pen) continue;
                        ++inside;
                        double t = (p.y - l.top) / (l.bottom - l.top);
                        t = std::clamp(t, 0.0, 1.0);
                        double fill = 235.0 - 85.0 * t;
                        // Near an edge facing the light: brighter; facing away: darker.
                        if (strokeDistance(l.strokes, {p.x + lightX, p.y + lightY}) > l.pen)
                            fill += 60.0;
                        else if (strokeDistance(l.strokes, {p.x - lightX, p.y - lightY}) > l.pen)
                            fill -= 55.0;
                        sum += std::clamp(fill, 0.0, 255.0);
                    }
                if (inside == 0) continue;
                const double coverage = static_cast<double>(inside) / (samples * samples);
                const double fill = sum / inside;
                best = std::max(best, rimGrey + (fill - rimGrey) * coverage);
            }
            int grey = static_cast<int>(best + 0.5);
            if (grey < rimGrey && rim) grey = rimGrey;
            image[static_cast<size_t>(y) * width + static_cast<size_t>(x)] = static_cast<unsigned char>(grey);
        }
    }
    return image;
}
