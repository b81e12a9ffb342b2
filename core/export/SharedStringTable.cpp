#include "core/export/SharedStringTable.h"

#include "core/export/CellText.h"

#include <QHash>
#include <utility>

namespace {

constexpr size_t kInitialSlots = 1024;

uint32_t HashOf(QStringView text) {
    const size_t h = qHash(text, 0);
    return static_cast<uint32_t>(h ^ (h >> 32));
}

} // namespace

SharedStringTable::SharedStringTable() : slots_(kInitialSlots) {}

uint32_t SharedStringTable::NearRecent(QStringView text) {
    for (int r = 0; r < 2; ++r) {
        if (recent_[r] == kNone)
            continue;
        for (const uint32_t candidate : {recent_[r], recent_[r] + 1}) {
            if (candidate >= UniqueCount() || TextAt(candidate) != text)
                continue;
            if (r == 1)
                std::swap(recent_[0], recent_[1]);
            recent_[0] = candidate;
            return candidate;
        }
    }
    return kNone;
}

void SharedStringTable::Remember(uint32_t index) {
    recent_[1] = recent_[0];
    recent_[0] = index;
}

uint32_t SharedStringTable::Add(QStringView text) {
    if (const uint32_t near = NearRecent(text); near != kNone)
        return near;
    const uint32_t hash = HashOf(text);
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (slot.indexPlusOne == 0)
            break;
        if (slot.hash == hash && TextAt(slot.indexPlusOne - 1) == text) {
            Remember(slot.indexPlusOne - 1);
            return slot.indexPlusOne - 1;
        }
    }
    const uint32_t index = UniqueCount();
    offsets_.push_back(characters_.size());
    characters_.insert(characters_.end(), text.utf16(), text.utf16() + text.size());
    items_ += "<si><t>";
    CellText::AppendEscaped(items_, text);
    items_ += "</t></si>";
    // Half full at most keeps the probes short.
    if (2 * (static_cast<size_t>(index) + 1) > slots_.size())
        Grow();
    Place({index + 1, hash});
    Remember(index);
    return index;
}

void SharedStringTable::Clear() {
    recent_[0] = recent_[1] = kNone;
    slots_.assign(kInitialSlots, Slot{});
    characters_.clear();
    offsets_.clear();
    cellCount_ = 0;
    items_.clear();
}

QStringView SharedStringTable::TextAt(uint32_t index) const {
    const size_t start = offsets_[index];
    const size_t end = index + 1 < offsets_.size() ? offsets_[index + 1] : characters_.size();
    return QStringView(characters_.data() + start, static_cast<qsizetype>(end - start));
}

void SharedStringTable::Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old)
        if (slot.indexPlusOne != 0)
            Place(slot);
}

void SharedStringTable::Place(Slot slot) {
    const size_t mask = slots_.size() - 1;
    size_t i = slot.hash & mask;
    while (slots_[i].indexPlusOne != 0)
        i = (i + 1) & mask;
    slots_[i] = slot;
}
