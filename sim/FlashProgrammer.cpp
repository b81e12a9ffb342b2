#include "sim/FlashProgrammer.h"

#include <algorithm>
#include <cstring>

void FlashProgrammer::Enter() {
    active_ = true;
    std::fill(ackAtMs_.begin(), ackAtMs_.end(), -1);
    image_.clear();
    pagesReceived_ = 0;
}

bool FlashProgrammer::WritePage(std::uint32_t address, const std::uint8_t* bytes, qint64 nowMs) {
    const std::uint32_t page = address / kPageSize;
    if (!active_ || page >= static_cast<std::uint32_t>(kPageCount))
        return false;
    if (dropNext_ > 0) {
        --dropNext_;
        return false;
    }
    qint64& ackAt = ackAtMs_[page];
    if (ackAt >= 0 && nowMs < ackAt)
        return true;
    const auto end = static_cast<qsizetype>(address) + kPageSize;
    if (image_.size() < end)
        image_.append(QByteArray(end - image_.size(), '\0'));
    std::memcpy(image_.data() + address, bytes, kPageSize);
    if (ackAt < 0)
        ackAt = nowMs + ackDelayMs_;
    ++pagesReceived_;
    return true;
}

QByteArray FlashProgrammer::AcknowledgementMap(qint64 nowMs) const {
    QByteArray map(kMapSize, '\0');
    for (int page = 0; page < kPageCount; ++page)
        if (ackAtMs_[static_cast<std::size_t>(page)] >= 0 &&
            nowMs >= ackAtMs_[static_cast<std::size_t>(page)])
            map[page / 8] = static_cast<char>(map[page / 8] | (1 << (page % 8)));
    return map;
}

bool FlashProgrammer::IsAcknowledged(std::uint32_t address, qint64 nowMs) const {
    const std::uint32_t page = address / kPageSize;
    return page < static_cast<std::uint32_t>(kPageCount) && ackAtMs_[page] >= 0 &&
           nowMs >= ackAtMs_[page];
}
