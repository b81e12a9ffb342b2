#pragma once

#include "core/graph/Printout.h"

#include <vector>

class CTrendGraph;

// A page that is a titled list, printed over as many pages as its rows need, each page
// repeating the column headers: the open sessions list.
class ListPrintout final : public Printout {
public:
    ListPrintout(QString title, std::vector<QString> headers,
                 std::vector<std::vector<QString>> rows);

    int PageCount(const PageLayout& layout) const override;
    void DrawPage(Canvas& canvas, const PageLayout& layout, int page) override;
    QString DocumentName() const override { return title_; }

private:
    int RowsOnFirstPage(const PageLayout& layout) const;
    int RowsPerLaterPage(const PageLayout& layout) const;

    QString title_;
    std::vector<QString> headers_;
    std::vector<std::vector<QString>> rows_;
};

// What the instrument page shows, for its print-out.
struct InstrumentPageContent {
    QString title;
    std::vector<std::pair<QString, QString>> status; // name, value
    std::vector<QString> channelHeaders;
    std::vector<QString> channelTexts; // the colour column's text is empty
    int colourColumn = -1;
    ColorRef traceColour = 0;
};

// The instrument page on two pages: the status list, then the channel line with the live
// graph below it.
class InstrumentPrintout final : public Printout {
public:
    // The graph must outlive the print-out; it gets its own rectangle back after drawing.
    InstrumentPrintout(InstrumentPageContent content, CTrendGraph& graph);

    int PageCount(const PageLayout&) const override { return 2; }
    void DrawPage(Canvas& canvas, const PageLayout& layout, int page) override;
    QString DocumentName() const override { return content_.title; }

private:
    InstrumentPageContent content_;
    CTrendGraph& graph_;
};
