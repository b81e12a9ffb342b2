#pragma once

#include <QByteArray>
#include <cstdint>

// The logger's programming mode: code pages received into an image and acknowledged in a
// 512-byte map, one bit per 256-byte page.
class FlashProgrammer {
public:
    static constexpr int kPageSize = 256;
    static constexpr int kPageCount = 4096;
    static constexpr int kMapSize = 512;

    void Enter();
    void End() { active_ = false; }
    bool Active() const { return active_; }
    // False, and no acknowledgement, outside programming mode or past the last page.
    bool WritePage(std::uint32_t address, const std::uint8_t* bytes);
    // Lets the next `count` pages go unacknowledged, as a page lost on the way would.
    void DropNextPages(int count) { dropNext_ = count; }

    const QByteArray& AcknowledgementMap() const { return map_; }
    bool IsAcknowledged(std::uint32_t address) const;
    int PagesReceived() const { return pagesReceived_; }
    const QByteArray& Image() const { return image_; }

private:
    bool active_ = false;
    QByteArray map_ = QByteArray(kMapSize, '\0');
    QByteArray image_;
    int pagesReceived_ = 0;
    int dropNext_ = 0;
};
