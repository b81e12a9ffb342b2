#include "core/session/SessionLoadJob.h"

#include "core/session/CRecSession.h"

#include <algorithm>

namespace {
// Reading the file takes a third of the bar; building the session, which walks the data and
// then converts it, the rest.
constexpr qint64 kReadShare = 1;
constexpr qint64 kShares = 3;
constexpr int kLastRunningPercent = 99;
} // namespace

SessionLoadJob::SessionLoadJob(QFile& file, QByteArray& buffer, qint64 size, CRecSession& session,
                               bool isTemporary)
    : path_(file.fileName()), buffer_(buffer), size_(size), session_(session),
      isTemporary_(isTemporary), load_(file, buffer, size) {}

StepProgress SessionLoadJob::Fail(const QString& problem) {
    problem_ = problem;
    return {JobStateType::Failed, Percent()};
}

int SessionLoadJob::Percent() const {
    qint64 shares = 0, of = 1;
    if (reader_) {
        const qint64 total = std::max<qint64>(1, reader_->WorkTotal());
        shares = kReadShare * total + (kShares - kReadShare) * reader_->WorkDone();
        of = kShares * total;
    } else if (size_ > 0) {
        shares = kReadShare * load_.BytesRead();
        of = kShares * size_;
    }
    return static_cast<int>(std::min<qint64>(kLastRunningPercent, shares * 100 / of));
}

StepProgress SessionLoadJob::Step() {
    if (!read_) {
        const StepProgress p = load_.Step();
        if (p.state == JobStateType::Failed)
            return Fail(QString());
        read_ = p.state == JobStateType::Done;
        return {JobStateType::Running, Percent()};
    }
    if (!reader_) {
        if (const Outcome whole = CheckSessionFileRead(path_, load_.BytesRead()); !whole)
            return Fail(whole.message);
        // The bytes past the length are zero, so the header text ends where the file does.
        if (const Outcome checked = CheckSessionImage(path_, buffer_); !checked)
            return Fail(checked.message);
        reader_.emplace(session_, buffer_.constData(), load_.BytesRead(), isTemporary_);
        if (const Outcome begun = reader_->Begin(); !begun)
            return Fail(begun.message);
        return {JobStateType::Running, Percent()};
    }
    const std::optional<Outcome> ended = reader_->Step();
    if (!ended)
        return {JobStateType::Running, Percent()};
    if (!*ended)
        return Fail(ended->message);
    return {JobStateType::Done, 100};
}
