#include "strokes.h"

#include <cmath>
#include <limits>

namespace {

constexpr double pi = 3.14159265358979323846;

// Centre lines of the letters: x-height, baseline, ascender and descender.
constexpr double top = 6.0;
constexpr double base = 12.0;
constexpr double rise = 2.2;
constexpr double drop = 15.0;
constexpr double digitTop = 2.6;
constexpr double left = 2.6;
constexpr double right = 9.4;
constexpr double middle = 6.0;
constexpr double bowlY = 9.0;
constexpr double bowlRx = 3.4;
constexpr double bowlRy = 3.0;

struct Builder {
    std::vector<Stroke> strokes;

    void line(double x0, double y0, double x1, double y1) { strokes.push_back({{x0, y0}, {x1, y1}}); }
    void dot(double x, double y) { strokes.push_back({{x, y}, {x, y}, 0.35}); }
    void path(std::initializer_list<Point> points) {
        const Point* previous = nullptr;
        for (const Point& p : points) {
            if (previous != nullptr) line(previous->x, previous->y, p.x, p.y);
            previous = &p;
        }
    }
    // Elliptical arc from angle a0 to a1 (degrees, 0 to the right, 90 up),
    // as a polyline fine enough to look round at these sizes.
    void arc(double cx, double cy, double rx, double ry, double a0, double a1) {
        const int pieces = 24;
        Point previous{cx + rx * cosineDegrees(a0), cy - ry * sineDegrees(a0)};
        for (int i = 1; i <= pieces; ++i) {
            const double a = a0 + (a1 - a0) * i / pieces;
            const Point p{cx + rx * cosineDegrees(a), cy - ry * sineDegrees(a)};
            line(previous.x, previous.y, p.x, p.y);
            previous = p;
        }
    }
    void bowl(double cx = middle) { arc(cx, bowlY, bowlRx, bowlRy, 0, 360); }
};

}  // namespace

double sineDegrees(double degrees) {
    // Reduce to -180..180, then to -90..90, then a Taylor series to x^15.
    double d = degrees - 360.0 * std::floor((degrees + 180.0) / 360.0);
    if (d > 90.0) d = 180.0 - d;
    if (d < -90.0) d = -180.0 - d;
    const double x = d * pi / 180.0;
    const double x2 = x * x;
    double term = x;
    double sum = x;
    for (int n = 1; n <= 7; ++n) {
        term = -term * x2 / ((2.0 * n) * (2.0 * n + 1.0));
        sum += term;
    }
    return sum;
}

double cosineDegrees(double degrees) { return sineDegrees(degrees + 90.0); }

std::vector<Stroke> glyphStrokes(char character) {
    Builder g;
    switch (character) {
        case 'a':
            g.arc(5.7, bowlY, 3.1, bowlRy, 0, 360);
            g.line(8.8, top, 9.2, base);
            break;
        case 'b':
            g.line(left, rise, left, base);
            g.bowl(6.2);
            break;
        case 'c': g.arc(6.2, bowlY, bowlRx, bowlRy, 50, 310); break;
        case 'd':
            g.line(right, rise, right, base);
            g.bowl(5.8);
            break;
        case 'e':
            g.line(left + 0.1, bowlY, right, bowlY);
            g.arc(middle, bowlY, bowlRx, bowlRy, 0, 315);
            break;
        case 'f':
            g.line(5.2, 4.6, 5.2, base);
            g.arc(7.6, 4.6, 2.4, 2.4, 180, 40);
            g.line(2.8, top, 8.4, top);
            break;
        case 'g':
            g.arc(5.8, 8.8, 3.2, 2.8, 0, 360);
            g.line(9.0, top, 9.0, 12.8);
            g.arc(5.6, 12.8, 3.4, 2.2, 0, -150);
            break;
        case 'h':
            g.line(left, rise, left, base);
            g.arc(middle, 8.8, bowlRx, 2.8, 180, 0);
            g.line(right, 8.8, right, base);
            break;
        case 'i':
            g.line(middle, top, middle, base);
            g.line(4.2, top, middle, top);
            g.dot(middle, 2.8);
            break;
        case 'j':
            g.line(7.4, top, 7.4, 12.8);
            g.line(5.6, top, 7.4, top);
            g.arc(4.6, 12.8, 2.8, 2.2, 0, -150);
            g.dot(7.4, 2.8);
            break;
        case 'k':
            g.line(left + 0.2, rise, left + 0.2, base);
            g.line(9.0, top, 3.0, 10.0);
            g.line(5.4, 8.6, 9.4, base);
            break;
        case 'l':
            g.line(4.4, rise, middle, rise);
            g.line(middle, rise, middle, 10.2);
            g.arc(8.0, 10.2, 2.0, 1.8, 180, 270);
            break;
        case 'm':
            g.line(1.8, top, 1.8, base);
            g.arc(3.9, 8.6, 2.1, 2.6, 180, 0);
            g.line(6.0, 8.6, 6.0, base);
            g.arc(8.1, 8.6, 2.1, 2.6, 180, 0);
            g.line(10.2, 8.6, 10.2, base);
            break;
        case 'n':
            g.line(left, top, left, base);
            g.arc(middle, 8.8, bowlRx, 2.8, 180, 0);
            g.line(right, 8.8, right, base);
            break;
        case 'o': g.bowl(); break;
        case 'p':
            g.line(left, top, left, drop);
            g.bowl(6.2);
            break;
        case 'q':
            g.line(right, top, right, drop);
            g.bowl(5.8);
            break;
        case 'r':
            g.line(3.2, top, 3.2, base);
            g.arc(6.6, 9.2, 3.4, 3.2, 180, 70);
            break;
        case 's':
            g.arc(6.0, 7.5, 3.0, 1.5, 30, 270);
            g.arc(6.0, 10.5, 3.2, 1.5, 90, -150);
            break;
        case 't':
            g.line(5.0, 3.2, 5.0, 10.4);
            g.arc(7.4, 10.4, 2.4, 1.6, 180, 290);
            g.line(2.6, top, 8.6, top);
            break;
        case 'u':
            g.line(left, top, left, 9.2);
            g.arc(middle, 9.2, bowlRx, 2.8, 180, 360);
            g.line(right, top, right, base);
            break;
        case 'v': g.path({{left - 0.2, top}, {middle, base}, {right + 0.2, top}}); break;
        case 'w': g.path({{1.7, top}, {3.8, base}, {6.0, 8.2}, {8.2, base}, {10.3, top}}); break;
        case 'x':
            g.line(left, top, right, base);
            g.line(right, top, left, base);
            break;
        case 'y':
            g.line(left - 0.2, top, 6.3, 11.6);
            g.path({{right + 0.2, top}, {5.6, 13.8}, {4.6, drop}, {3.0, drop}});
            break;
        case 'z': g.path({{left, top}, {right, top}, {left, base}, {right, base}}); break;
        case '1':
            g.path({{3.6, 4.6}, {6.4, digitTop}, {6.4, base}});
            g.line(3.6, base, 9.2, base);
            break;
        case '2':
            g.arc(6.0, 5.4, 3.2, 2.8, 160, -25);
            g.path({{8.9, 6.6}, {left, base}, {right, base}});
            break;
        case '3':
            g.arc(5.9, 5.0, 3.0, 2.4, 150, -90);
            g.arc(5.9, 9.6, 3.4, 2.4, 90, -150);
            break;
        case '4':
            g.path({{7.8, base}, {7.8, digitTop}, {2.2, 9.4}, {10.0, 9.4}});
            break;
        case '5':
            g.path({{9.0, digitTop}, {3.4, digitTop}, {3.0, 7.0}});
            g.arc(6.0, 9.0, 3.4, 3.0, 140, -150);
            break;
        case '6':
            g.arc(6.0, 9.2, 3.3, 2.8, 0, 360);
            g.arc(8.2, 9.2, 5.5, 6.6, 180, 90);
            break;
        case '7': g.path({{left, digitTop}, {right, digitTop}, {4.6, base}}); break;
        case '8':
            g.arc(6.0, 4.9, 2.8, 2.3, 0, 360);
            g.arc(6.0, 9.6, 3.3, 2.4, 0, 360);
            break;
        case '9':
            g.arc(6.0, 5.4, 3.3, 2.8, 0, 360);
            g.arc(3.8, 5.4, 5.5, 6.6, 0, -90);
            break;
        case '0':
            g.arc(middle, 7.3, 3.4, 4.7, 0, 360);
            g.line(7.6, 5.0, 4.4, 9.6);
            break;
        case '.': g.dot(middle, 11.6); break;
        case '?':
            g.arc(middle, 5.0, 3.0, 2.4, 160, -60);
            g.path({{7.5, 7.1}, {middle, 8.2}, {middle, 9.0}});
            g.dot(middle, 11.8);
            break;
        case '!':
            g.line(middle, digitTop, middle, 8.8);
            g.dot(middle, 11.8);
            break;
        default: break;
    }
    return g.strokes;
}

double strokeDistance(const std::vector<Stroke>& strokes, Point p) {
    double best = std::numeric_limits<double>::infinity();
    for (const Stroke& s : strokes) {
        const double ex = s.b.x - s.a.x;
        const double ey = s.b.y - s.a.y;
        const double length2 = ex * ex + ey * ey;
        double t = 0.0;
        if (length2 > 0.0) {
            t = ((p.x - s.a.x) * ex + (p.y - s.a.y) * ey) / length2;
            t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
        }
        const double qx = s.a.x + t * ex - p.x;
        const double qy = s.a.y + t * ey - p.y;
        const double d = std::sqrt(qx * qx + qy * qy) - s.widen;
        if (d < best) best = d;
    }
    return best;
}
