#pragma once

#include "core/graph/Canvas.h"
#include "core/graph/PageLayout.h"

#include <QString>
#include <vector>

class CGraphClass;

// A print-out drawn page by page on a printer canvas whose font is the print font.
class Printout {
public:
    virtual ~Printout() = default;
    virtual int PageCount(const PageLayout& layout) const = 0;
    // `page` counts from 1.
    virtual void DrawPage(Canvas& canvas, const PageLayout& layout, int page) = 0;
};

struct PrintColumn {
    QString header;
    int width = 0;
};

// A list as the page's list controls show it: a bold header row, then one line a row, with
// grid lines; a text too wide for its cell is cut with an ellipsis.
class PrintedTable {
public:
    PrintedTable(Canvas& canvas, const PageLayout& layout, int left,
                 std::vector<PrintColumn> columns);

    // Widths from the widest of each column's header and `sampleRows` (a gap of one "n" each
    // side).
    static std::vector<PrintColumn> Fit(Canvas& canvas, const PageLayout& layout,
                                        const std::vector<QString>& headers,
                                        const std::vector<std::vector<QString>>& sampleRows);

    // Each returns the y below what it drew.
    int DrawHeader(int y);
    int DrawRow(int y, const std::vector<QString>& cells, bool bold = false);
    // A row whose cell `column` is filled with `colour` instead of text.
    int DrawRowWithSwatch(int y, const std::vector<QString>& cells, int column, ColorRef colour);
    int Width() const;

private:
    void DrawGrid(int y);
    QString Fitted(const QString& text, int width) const;

    Canvas& canvas_;
    const PageLayout& layout_;
    int left_;
    std::vector<PrintColumn> columns_;
};

// The page number at the right edge of the header line, and `text` at its left.
void DrawRunningHeader(Canvas& canvas, const PageLayout& layout, const QString& text, int page);
// The page's title in bold at the content top; returns the y below it.
int DrawPageTitle(Canvas& canvas, const PageLayout& layout, const QString& title);

struct PrintedNameValue {
    QString name;
    QString value;
    bool bold = false; // a group title
};

// A "Nom" / "Valeur" list from `y` down to the page's bottom; an empty row is a gap.
void DrawNameValueList(Canvas& canvas, const PageLayout& layout, int y,
                       const std::vector<PrintedNameValue>& rows);

// The channel line at the content top and the graph across the rest of the page, drawn for
// the printer: the screen's value range, window and cursor. The graph gets its own rectangle
// back afterwards.
void DrawChannelLineAndGraph(Canvas& canvas, const PageLayout& layout,
                             const std::vector<QString>& headers, const std::vector<QString>& texts,
                             int colourColumn, ColorRef traceColour, CGraphClass& graph);
