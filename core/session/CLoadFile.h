#pragma once

#include "core/app/UserInterface.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// Reads a whole file into a buffer a bounded piece per step, for a progress dialog.
class CLoadFile final : public StepJob {
public:
    static constexpr qint64 kChunkSize = 65536;

    // `file` is open for reading; `buffer` holds at least `size` bytes.
    CLoadFile(QFile& file, QByteArray& buffer, qint64 size);
    CLoadFile(const CLoadFile&) = delete;
    CLoadFile& operator=(const CLoadFile&) = delete;

    StepProgress Step() override;

    QString Title() const;
    qint64 BytesRead() const { return done_; }
    int ReadCount() const { return reads_; }

private:
    int Percent() const;

    QFile& file_;
    QByteArray& buffer_;
    qint64 size_;
    qint64 done_ = 0;
    int reads_ = 0;
};
