#include "sim/FlashProgrammer.h"

#include <cstring>

void FlashProgrammer::Enter() {
    active_ = true;
    map_.fill('\0');
    image_.clear();
    pagesReceived_ = 0;
}

bool FlashProgrammer::WritePage(std::uint32_t address, const std::uint8_t* bytes) {
    const std::uint32_t page = address / kPageSize;
    if (!active_ || page >= static_cast<std::uint32_t>(kPageCount))
        return false;
    if (dropNext_ > 0) {
        --dropNext_;
        return false;
    }
    const auto end = static_cast<qsizetype>(address) + kPageSize;
    if (image_.size() < end)
        image_.append(QByteArray(end - image_.size(), '\0'));
    std::memcpy(image_.data() + address, bytes, kPageSize);
    map_[page / 8] = static_cast<char>(map_[page / 8] | (1 << (page % 8)));
    ++pagesReceived_;
    return true;
}

bool FlashProgrammer::IsAcknowledged(std::uint32_t address) const {
    const std::uint32_t page = address / kPageSize;
    return page < static_cast<std::uint32_t>(kPageCount) &&
           (static_cast<unsigned char>(map_[page / 8]) >> (page % 8) & 1) != 0;
}
