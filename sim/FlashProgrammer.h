#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

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
    // False, and no acknowledgement, outside programming mode or past the last page. A page
    // sent again while it is still being programmed changes nothing.
    bool WritePage(std::uint32_t address, const std::uint8_t* bytes, qint64 nowMs = 0);
    // Lets the next `count` pages go unacknowledged, as a page lost on the way would.
    void DropNextPages(int count) { dropNext_ = count; }
    // A slow logger: a page's bit is set this long after the page first arrived.
    void SetAckDelayMs(qint64 ms) { ackDelayMs_ = ms; }

    QByteArray AcknowledgementMap(qint64 nowMs = 0) const;
    bool IsAcknowledged(std::uint32_t address, qint64 nowMs = 0) const;
    int PagesReceived() const { return pagesReceived_; }
    const QByteArray& Image() const { return image_; }

private:
    bool active_ = false;
    // When each received page is acknowledged; -1 for a page not received.
    std::vector<qint64> ackAtMs_ = std::vector<qint64>(kPageCount, -1);
    qint64 ackDelayMs_ = 0;
    QByteArray image_;
    int pagesReceived_ = 0;
    int dropNext_ = 0;
};
