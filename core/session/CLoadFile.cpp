#include "core/session/CLoadFile.h"

#include "core/common/StringTable.h"

#include <algorithm>

CLoadFile::CLoadFile(QFile& file, QByteArray& buffer, qint64 size)
    : file_(file), buffer_(buffer), size_(std::clamp<qint64>(size, 0, buffer.size())) {}

QString CLoadFile::Title() const {
    return ResourceString(TextId::kLoadFile) + u' ' + file_.fileName();
}

int CLoadFile::Percent() const {
    return size_ > 0 ? static_cast<int>(done_ * 100 / size_) : 100;
}

StepProgress CLoadFile::Step() {
    if (done_ >= size_)
        return {JobStateType::Done, 100};
    const qint64 wanted = std::min(kChunkSize, size_ - done_);
    const qint64 got = file_.read(buffer_.data() + done_, wanted);
    ++reads_;
    if (got < 0)
        return {JobStateType::Failed, Percent()};
    done_ += got;
    // A file that shrank while being read ends where its bytes end.
    if (got < wanted)
        size_ = done_;
    return {done_ >= size_ ? JobStateType::Done : JobStateType::Running, Percent()};
}
