#pragma once
#include <vector>

// Glyph outlines as round-capped strokes, in the coordinates of a 12 x 16
// glyph cell (x to the right, y down, one unit per pixel of the font).
struct Point {
    double x;
    double y;
};

struct Stroke {
    Point a;
    Point b;
    double widen = 0.0;  // added to the pen's radius (dots are a little fatter)
};

// The strokes of one character ('a'..'z', '0'..'9', '.', '?', '!'); empty for
// a space or anything else. A dot is a stroke of zero length.
std::vector<Stroke> glyphStrokes(char character);

// Distance from p to the nearest stroke of the list (infinity for none).
double strokeDistance(const std::vector<Stroke>& strokes, Point p);

// A sine that gives identical bits everywhere: a fixed polynomial, degrees in.
double sineDegrees(double degrees);
double cosineDegrees(double degrees);
