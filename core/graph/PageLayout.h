#pragma once

#include "core/graph/GraphGeometry.h"

#include <QString>
#include <functional>
#include <vector>

// Where things go on a printed page of `width` × `height` device pixels whose print font has
// lines of `lineHeight` pixels.
struct PageLayout {
    int width = 0;
    int height = 0;
    int lineHeight = 1;
    int nWidth = 1; // the width of the letter "n", the unit of small gaps
    int headerHeight = 0;
    int footerLine = 0;
    GraphRect page;
    int contentTop = 0;
    // The lowest y the content may reach: above the footer's band, which takes the last three
    // lines of the page as the header takes the first three, footer or not, so that the
    // footer option never moves a page break.
    int contentBottom = 0;

    static PageLayout Make(int width, int height, int lineHeight, int nWidth);
    // The line of the running header and the page number.
    int HeaderY() const;
    // The line of the running footer.
    int FooterY() const { return footerLine - lineHeight; }
};

// The lines of `text` word-wrapped to `width` as `measure` sizes them. Line breaks are removed,
// not replaced, so a comment typed on several lines prints as one paragraph; a word wider
// than the page stands alone on its line.
std::vector<QString> WrapWords(const QString& text, int width,
                               const std::function<int(const QString&)>& measure);
