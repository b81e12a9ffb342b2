#pragma once

#include <optional>
#include <vector>

// The windows the user came from, most recent last; the oldest is forgotten past ten.
class ZoomHistory {
public:
    static constexpr int kCapacity = 10;

    struct Entry {
        double start = 0.0;
        double span = 0.0;
    };

    void Push(Entry entry);
    // Removes and returns the most recent entry; none when empty.
    std::optional<Entry> Pop();
    bool IsEmpty() const { return entries_.empty(); }
    int Size() const { return static_cast<int>(entries_.size()); }

private:
    std::vector<Entry> entries_;
};

// The visible part of a recording: a start offset and a span in seconds inside the total
// span, with the zoom operations and their history. Spans and starts are whole seconds,
// the span at least 1 (or the whole recording when that is shorter).
class ViewWindow {
public:
    double TotalSpan() const { return total_; }
    double Start() const { return start_; }
    double Span() const { return span_; }
    // Set by the operations that show everything; while set, a growing recording stays in view.
    bool ShowingAllFlag() const { return showingAll_; }
    bool IsShowingAll() const { return start_ == 0.0 && span_ == total_; }
    bool CanZoomIn() const;
    bool CanZoomBack() const { return !history_.IsEmpty(); }
    int HistorySize() const { return history_.Size(); }

    // A new total keeps the window inside it, or follows it while showing all.
    void SetTotalSpan(double total);

    // Both return the cursor's new offset, which keeps it on the same time, when given one.
    std::optional<int> ZoomIn(int plotWidth, std::optional<int> cursorOffset);
    std::optional<int> ZoomOut(int plotWidth, std::optional<int> cursorOffset);
    // The times under pixels x1..x2 of a plot spanning plotLeft..plotRight.
    void ZoomToPixelRange(int x1, int x2, int plotLeft, int plotRight);
    void ZoomBack();
    void ZoomToAll();
    // Both return false when the window already is that one.
    bool SetWindow(double start, double span);
    bool ShowWhole();

private:
    void Push() { history_.Push({start_, span_}); }
    double ClampedSpan(double requested) const;
    void Apply(double requestedStart, double requestedSpan);
    std::optional<int> KeepCursor(int plotWidth, std::optional<int> cursorOffset, double oldStart,
                                  double oldSpan) const;

    double total_ = 0.0;
    double start_ = 0.0;
    double span_ = 0.0;
    bool showingAll_ = true;
    ZoomHistory history_;
};
