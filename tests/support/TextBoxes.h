#pragma once

#include "core/graph/GraphGeometry.h"

#include <QString>
#include <vector>

// A text on a page and the box it covers: left, top, right and bottom, the last two past it.
struct TextBox {
    QString text;
    GraphRect box;
};

// "a" / "b" for every two texts whose boxes share more than an edge; empty when none does.
inline std::vector<QString> OverlappingTexts(const std::vector<TextBox>& boxes) {
    std::vector<QString> found;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
            const GraphRect& a = boxes[i].box;
            const GraphRect& b = boxes[j].box;
            if (a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom)
                found.push_back(boxes[i].text + QStringLiteral(" / ") + boxes[j].text);
        }
    return found;
}
