#include "core/graph/ViewWindow.h"

#include "core/common/Rounding.h"

#include <algorithm>

void ZoomHistory::Push(Entry entry) {
    if (Size() >= kCapacity)
        entries_.erase(entries_.begin());
    entries_.push_back(entry);
}

std::optional<ZoomHistory::Entry> ZoomHistory::Pop() {
    if (entries_.empty())
        return std::nullopt;
    const Entry e = entries_.back();
    entries_.pop_back();
    return e;
}

bool ViewWindow::CanZoomIn() const {
    return SaturatingRound(span_ * 0.5 - 0.2) > 1.0001;
}

void ViewWindow::SetTotalSpan(double total) {
    total_ = std::max(0.0, total);
    if (showingAll_) {
        start_ = 0.0;
        span_ = total_;
    } else {
        span_ = std::min(span_, total_);
        start_ = std::min(start_, total_ - span_);
    }
}

// The −0.2 makes exact halves round down.
double ViewWindow::ClampedSpan(double requested) const {
    return std::min<double>(std::max(1, SaturatingRound(requested - 0.2)), total_);
}

void ViewWindow::Apply(double requestedStart, double requestedSpan) {
    span_ = ClampedSpan(requestedSpan);
    start_ = requestedStart < 0.0 ? 0.0 : SaturatingRound(requestedStart);
    if (start_ + span_ > total_)
        start_ = total_ - span_;
}

std::optional<int> ViewWindow::KeepCursor(int plotWidth, std::optional<int> cursorOffset,
                                          double oldStart, double oldSpan) const {
    if (!cursorOffset || span_ <= 0.0)
        return cursorOffset;
    const int w = std::max(1, plotWidth - 1);
    const double c = static_cast<double>(*cursorOffset) / w;
    const double at = (c * oldSpan - (start_ - oldStart)) / span_;
    return SaturatingRound(w * std::min(1.0, std::max(0.0, at)));
}

std::optional<int> ViewWindow::ZoomIn(int plotWidth, std::optional<int> cursorOffset) {
    Push();
    const double oldStart = start_;
    const double oldSpan = span_;
    const double c =
        cursorOffset ? static_cast<double>(*cursorOffset) / std::max(1, plotWidth - 1) : 0.0;
    const double newSpan = ClampedSpan(oldSpan * 0.5);
    // Without a cursor the centre stays; with one, the cursor's time moves to the middle.
    const double shift = cursorOffset ? (4.0 * c - 1.0) * newSpan * 0.5 : newSpan * 0.5;
    Apply(oldStart + shift, oldSpan * 0.5);
    showingAll_ = false;
    return KeepCursor(plotWidth, cursorOffset, oldStart, oldSpan);
}

std::optional<int> ViewWindow::ZoomOut(int plotWidth, std::optional<int> cursorOffset) {
    Push();
    const double oldStart = start_;
    const double oldSpan = span_;
    const double newSpan = ClampedSpan(oldSpan * 2.0);
    Apply(oldStart - newSpan * 0.25, oldSpan * 2.0);
    showingAll_ = IsShowingAll();
    return KeepCursor(plotWidth, cursorOffset, oldStart, oldSpan);
}

void ViewWindow::ZoomToPixelRange(int x1, int x2, int plotLeft, int plotRight) {
    Push();
    const double perPixel = span_ / std::max(1, plotRight - plotLeft - 1);
    Apply((x1 - plotLeft) * perPixel + start_, (x2 - x1) * perPixel);
    showingAll_ = false;
}

void ViewWindow::ZoomBack() {
    const std::optional<ZoomHistory::Entry> e = history_.Pop();
    if (!e)
        return;
    Apply(e->start, e->span);
    showingAll_ = IsShowingAll();
}

void ViewWindow::ZoomToAll() {
    if (showingAll_)
        return;
    Push();
    showingAll_ = true;
    start_ = 0.0;
    span_ = total_;
}

bool ViewWindow::ShowWhole() {
    const bool changed = !IsShowingAll();
    if (changed)
        Push();
    showingAll_ = true;
    start_ = 0.0;
    span_ = total_;
    return changed;
}

bool ViewWindow::SetWindow(double start, double span) {
    if (start == start_ && span == span_) {
        showingAll_ = IsShowingAll();
        return false;
    }
    Push();
    Apply(start, span);
    showingAll_ = IsShowingAll();
    return true;
}
