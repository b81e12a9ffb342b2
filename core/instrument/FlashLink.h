#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <cstdint>

class CInstComm;
class ControlBlock;

// What a firmware upgrade needs of the link: the synchronous mailbox transfers and the status
// read through the request handshake.
class FlashLink {
public:
    virtual ~FlashLink() = default;
    // Bytes transferred, 0 on failure.
    virtual qint64 WriteControlBlock(const ControlBlock& block) = 0;
    virtual qint64 ReadControlBlock(std::uint8_t* buffer512) = 0;
    virtual void RequestStatusRead() = 0;
    virtual bool StatusReadPending() const = 0;
    // What the last finished status read brought; empty when it brought nothing.
    virtual QByteArray StatusText() const = 0;
};

class CommFlashLink final : public FlashLink {
public:
    explicit CommFlashLink(CInstComm& comm) : comm_(comm) {}

    qint64 WriteControlBlock(const ControlBlock& block) override;
    qint64 ReadControlBlock(std::uint8_t* buffer512) override;
    void RequestStatusRead() override;
    bool StatusReadPending() const override;
    QByteArray StatusText() const override;

private:
    CInstComm& comm_;
};
