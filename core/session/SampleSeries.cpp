#include "core/session/SampleSeries.h"

void SampleSeries::Reserve(std::size_t samples, bool withCjc, bool withValues) {
    raw_.reserve(samples);
    if (withCjc)
        cjc_.reserve(samples);
    if (withValues)
        values_.reserve(samples);
}

void SampleSeries::AppendValue(double value) {
    values_.push_back(value);
    if (summary_)
        summary_->Extend(values_.data(), static_cast<int64_t>(values_.size()));
    else if (values_.size() >= kSummarisedFrom)
        EndConversion();
}

ValueView SampleSeries::Values() const {
    if (events_)
        return ValueView::OfStates(raw_.data(), raw_.size(), false);
    return ValueView::OfValues(values_.data(), values_.size(), summary_.get());
}

ValueView SampleSeries::StateValues(bool polarity) const {
    if (events_)
        return ValueView::OfStates(raw_.data(), raw_.size(), !polarity);
    return Values();
}

std::span<double> SampleSeries::BeginConversion(std::size_t valueCount) {
    summary_.reset();
    values_.resize(valueCount);
    return values_;
}

std::span<double> SampleSeries::ConvertedCjcEmf(std::size_t count) {
    cjcEmf_.resize(count);
    return cjcEmf_;
}

void SampleSeries::EndConversion() {
    summary_.reset();
    if (values_.size() >= kSummarisedFrom)
        summary_ =
            std::make_unique<ValuePyramid>(values_.data(), static_cast<int64_t>(values_.size()));
}
