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
    // What the print-out is of, as the print job, the PDF's title and its proposed file name
    // call it.
    virtual QString DocumentName() const = 0;
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

// A "Nom" / "Valeur" list from `y` down to the footer's band; an empty row is a gap.
void DrawNameValueList(Canvas& canvas, const PageLayout& layout, int y,
                       const std::vector<PrintedNameValue>& rows);

// The channel line of a page: its headers and texts, one cell drawn in the trace's colour.
struct ChannelLineCells {
    std::vector<QString> headers;
    std::vector<QString> texts; // the colour column's is empty
    int colourColumn = -1;
    ColorRef colour = 0;
};

// The channel line at the content top, as a table of a header row and a row of texts; a line
// wider than the page goes on in a table below, cut between two columns. Each returns the y
// below the line.
int ChannelLineBottom(Canvas& canvas, const PageLayout& layout, const ChannelLineCells& line);
int DrawChannelLine(Canvas& canvas, const PageLayout& layout, const ChannelLineCells& line);

// Where a graph goes below a line ending at `y`: across the page, down to the footer's band.
GraphRect GraphAreaBelow(const PageLayout& layout, int y);
// Draws `graph` with the page's text measures and nothing else: it settles its label widths
// and, `asScreen`, takes its cursor's column by the screen's rule, which keeps the column's
// time for the printer drawing.
void MeasureGraph(Canvas& canvas, CGraphClass& graph, bool asScreen);

// The channel line at the content top and the graph across the rest of the page, drawn for
// the printer: the screen's value range, window and cursor. The graph gets its own rectangle
// back afterwards.
void DrawChannelLineAndGraph(Canvas& canvas, const PageLayout& layout, const ChannelLineCells& line,
                             CGraphClass& graph);
