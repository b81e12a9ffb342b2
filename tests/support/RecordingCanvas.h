#pragma once

#include "core/graph/Canvas.h"

#include <QString>
#include <vector>

// Records every drawing call in order. Texts measure 7 px per character and 13 px high, or
// the metrics given (a larger font), so tests can work out the layout by hand. Each call
// remembers how many frames (FrameRect) came before it, which separates the passes of one
// drawing.
class RecordingCanvas final : public Canvas {
public:
    static constexpr int kCharWidth = 7;
    static constexpr int kTextHeight = 13;

    struct LineCall {
        GraphPoint from;
        GraphPoint to;
        GraphPen pen;
        int frame = 0;

        bool IsHorizontal() const { return from.y == to.y; }
        bool IsVertical() const { return from.x == to.x; }
    };
    struct TextCall {
        GraphPoint topLeft;
        QString text;
        int frame = 0;
    };
    struct RectCall {
        GraphRect rect;
        ColorRef colour;
        bool filled;
        int frame = 0;
    };

    explicit RecordingCanvas(bool printer = false) : printer_(printer) {}
    RecordingCanvas(bool printer, int charWidth, int textHeight)
        : printer_(printer), charWidth_(charWidth), textHeight_(textHeight) {}

    void SetPen(const GraphPen& pen) override { pen_ = pen; }
    void Line(GraphPoint from, GraphPoint to) override {
        lines.push_back({from, to, pen_, frames_});
    }
    void Text(GraphPoint topLeft, const QString& text) override {
        texts.push_back({topLeft, text, frames_});
    }
    TextExtent MeasureText(const QString& text) const override {
        return {charWidth_ * static_cast<int>(text.size()), textHeight_};
    }
    void FillRect(const GraphRect& rect, ColorRef colour) override {
        rects.push_back({rect, colour, true, frames_});
    }
    void FrameRect(const GraphRect& rect, ColorRef colour) override {
        rects.push_back({rect, colour, false, ++frames_});
    }
    bool IsPrinter() const override { return printer_; }

    void Clear() {
        lines.clear();
        texts.clear();
        rects.clear();
        frames_ = 0;
    }

    int Frames() const { return frames_; }
    // Only the calls from the last frame on: what the last pass of a drawing left.
    RecordingCanvas LastPass() const {
        RecordingCanvas out(printer_, charWidth_, textHeight_);
        const auto keep = [this](const auto& from, auto& to) {
            for (const auto& call : from)
                if (call.frame >= frames_)
                    to.push_back(call);
        };
        keep(lines, out.lines);
        keep(texts, out.texts);
        keep(rects, out.rects);
        return out;
    }

    std::vector<LineCall> LinesWithStyle(PenStyleType style) const {
        std::vector<LineCall> out;
        for (const LineCall& l : lines)
            if (l.pen.style == style)
                out.push_back(l);
        return out;
    }
    // The first text call with exactly this text; null when none.
    const TextCall* FindText(const QString& text) const {
        for (const TextCall& t : texts)
            if (t.text == text)
                return &t;
        return nullptr;
    }
    bool HasTextStartingWith(const QString& prefix) const {
        for (const TextCall& t : texts)
            if (t.text.startsWith(prefix))
                return true;
        return false;
    }

    std::vector<LineCall> lines;
    std::vector<TextCall> texts;
    std::vector<RectCall> rects;

private:
    bool printer_;
    int charWidth_ = kCharWidth;
    int textHeight_ = kTextHeight;
    GraphPen pen_;
    int frames_ = 0;
};
