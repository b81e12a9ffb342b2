#pragma once

#include <algorithm>

struct GraphPoint {
    int x = 0;
    int y = 0;

    bool operator==(const GraphPoint&) const = default;
};

// A window rectangle: right and bottom are one past the last pixel.
struct GraphRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(GraphPoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    bool SameSize(const GraphRect& other) const {
        return Width() == other.Width() && Height() == other.Height();
    }
    GraphRect Offset(int dx, int dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    GraphRect Normalized() const {
        return {std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
    }
    GraphRect Intersected(const GraphRect& other) const {
        return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                std::min(bottom, other.bottom)};
    }

    bool operator==(const GraphRect&) const = default;
};
