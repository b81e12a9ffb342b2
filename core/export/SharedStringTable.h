#pragma once

#include <QByteArray>
#include <QStringView>
#include <cstdint>
#include <vector>

// Every distinct cell text once, in order of first use, found again by hashing.
class SharedStringTable {
public:
    SharedStringTable();

    // The text's index, adding it when new.
    uint32_t Add(QStringView text);
    // One more cell refers to a shared string.
    void CountCell() { ++cellCount_; }

    uint32_t UniqueCount() const { return static_cast<uint32_t>(offsets_.size()); }
    uint64_t CellCount() const { return cellCount_; }
    // The "<si>" items in index order.
    const QByteArray& Items() const { return items_; }
    void Clear();

private:
    struct Slot {
        uint32_t indexPlusOne = 0; // 0: empty
        uint32_t hash = 0;
    };

    QStringView TextAt(uint32_t index) const;
    // The index of `text` among a recent find and the entry after it, or kNone.
    uint32_t NearRecent(QStringView text);
    void Remember(uint32_t index);
    void Grow();
    void Place(Slot slot);

    static constexpr uint32_t kNone = UINT32_MAX;
    // The last two texts found, the most recent first. An export meets its texts in runs: a
    // date row after row, and the times of day again each day in the order they were added;
    // trying these entries and the ones after them spares most lookups a probe of the table,
    // which once large misses the processor's caches.
    uint32_t recent_[2] = {kNone, kNone};
    std::vector<Slot> slots_;
    std::vector<char16_t> characters_;
    std::vector<size_t> offsets_; // start of each text; the next one's start ends it
    uint64_t cellCount_ = 0;
    QByteArray items_;
};
