#include "export/SharedStringTable.h"

#include "export/CellText.h"

#include <QHash>

namespace {

constexpr size_t kInitialSlots = 1024;

uint32_t HashOf(QStringView text) {
    const size_t h = qHash(text, 0);
    return static_cast<uint32_t>(h ^ (h >> 32));
}

} // namespace

SharedStringTable::SharedStringTable() : m_slots(kInitialSlots) {}

uint32_t SharedStringTable::Add(QStringView text) {
    const uint32_t hash = HashOf(text);
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot& slot = m_slots[i];
        if (slot.indexPlusOne == 0)
            break;
        if (slot.hash == hash && TextAt(slot.indexPlusOne - 1) == text)
            return slot.indexPlusOne - 1;
    }
    const uint32_t index = UniqueCount();
    m_offsets.push_back(m_characters.size());
    m_characters.insert(m_characters.end(), text.utf16(), text.utf16() + text.size());
    m_items += "<si><t>";
    CellText::AppendEscaped(m_items, text);
    m_items += "</t></si>";
    // Half full at most keeps the probes short.
    if (2 * (static_cast<size_t>(index) + 1) > m_slots.size())
        Grow();
    Place({index + 1, hash});
    return index;
}

void SharedStringTable::Clear() {
    m_slots.assign(kInitialSlots, Slot{});
    m_characters.clear();
    m_offsets.clear();
    m_cellCount = 0;
    m_items.clear();
}

QStringView SharedStringTable::TextAt(uint32_t index) const {
    const size_t start = m_offsets[index];
    const size_t end = index + 1 < m_offsets.size() ? m_offsets[index + 1] : m_characters.size();
    return QStringView(m_characters.data() + start, static_cast<qsizetype>(end - start));
}

void SharedStringTable::Grow() {
    std::vector<Slot> old(m_slots.size() * 2);
    old.swap(m_slots);
    for (const Slot& slot : old)
        if (slot.indexPlusOne != 0)
            Place(slot);
}

void SharedStringTable::Place(Slot slot) {
    const size_t mask = m_slots.size() - 1;
    size_t i = slot.hash & mask;
    while (m_slots[i].indexPlusOne != 0)
        i = (i + 1) & mask;
    m_slots[i] = slot;
}
