#include "core/graph/PageLayout.h"

#include <algorithm>

PageLayout PageLayout::Make(int width, int height, int lineHeight, int nWidth) {
    PageLayout layout;
    layout.width = width;
    layout.height = height;
    layout.lineHeight = std::max(1, lineHeight);
    layout.nWidth = std::max(1, nWidth);
    const int l = layout.lineHeight;
    layout.headerHeight = 3 * l;
    layout.footerLine = height - 3 * l / 2;
    const int margin = std::min(width, height) * 5 / 100;
    layout.page = {margin, margin, width - margin, height - margin};
    layout.contentTop = std::max(layout.page.top, 2 * l + 3 * l);
    layout.contentBottom = std::min(layout.page.bottom, height - layout.headerHeight);
    return layout;
}

int PageLayout::HeaderY() const {
    return std::max(0, headerHeight - lineHeight);
}

std::vector<QString> WrapWords(const QString& text, int width,
                               const std::function<int(const QString&)>& measure) {
    QString joined = text;
    joined.remove(u'\r');
    joined.remove(u'\n');
    std::vector<QString> lines;
    QString line;
    QString word;
    const auto placeWord = [&] {
        if (word.size() > 1 && measure(line + word) >= width) {
            lines.push_back(line.isEmpty() ? word : line);
            if (line.isEmpty()) {
                word.clear();
                return;
            }
            line.clear();
        }
        line += word;
        word.clear();
    };
    for (const QChar c : joined) {
        word += c;
        if (c == u' ')
            placeWord();
    }
    placeWord();
    if (!line.isEmpty())
        lines.push_back(line);
    return lines;
}
