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
    void CountCell() { ++m_cellCount; }

    uint32_t UniqueCount() const { return static_cast<uint32_t>(m_offsets.size()); }
    uint64_t CellCount() const { return m_cellCount; }
    // The "<si>" items in index order.
    const QByteArray& Items() const { return m_items; }
    void Clear();

private:
    struct Slot {
        uint32_t indexPlusOne = 0; // 0: empty
        uint32_t hash = 0;
    };

    QStringView TextAt(uint32_t index) const;
    void Grow();
    void Place(Slot slot);

    std::vector<Slot> m_slots;
    std::vector<char16_t> m_characters;
    std::vector<size_t> m_offsets; // start of each text; the next one's start ends it
    uint64_t m_cellCount = 0;
    QByteArray m_items;
};
