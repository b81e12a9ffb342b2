#pragma once

#include "core/common/CalendarDateTime.h"
#include "core/common/Outcome.h"

#include <QByteArray>
#include <QString>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>

class CRecSession;
class QFile;
class QFileDevice;

inline constexpr int kSessionUnit = 256;
inline constexpr int kParameterBlockSize = 2560;
inline constexpr int kParameterBlockChars = kParameterBlockSize / 2;
inline constexpr int kMinimumSessionFileSize = 512;
// The largest file a session is read from: it is held in memory whole, in one byte array.
inline constexpr qint64 kMaximumSessionFileSize = INT_MAX;
// The editor's limits, which keep the parameter block within its 2560 bytes.
inline constexpr int kNameFieldLimit = 80;
inline constexpr int kCommentsLimit = 512;
inline constexpr int kUnitsLimit = 4;

// The values the control panel keeps in its parameter block.
struct ParameterBlockFields {
    bool recordingInProgress = false;
    QString instrumentName, sessionName, location, header, footer, comments;
    CalendarDateTime correctedStart;
    float lowScale = 0.0f;
    float highScale = 1.0f;
    QString units;
    int tcIndex = 0;
    bool cjc = false;
    bool polarity = true;
    int filterSize = 1;

    static ParameterBlockFields Of(const CRecSession& session);
    bool operator==(const ParameterBlockFields&) const = default;
    // The texts as the block keeps them: each on one line (a line break becomes a space) and
    // within the editor's limits. Whatever is kept in memory goes through this too, so that it
    // equals what a save writes.
    void KeepAsStored();
};

// Header size H for a header text of `textLength` bytes: room for the text and its end marks,
// in whole 256-byte units.
int HeaderSizeFor(qint64 textLength);
// Bytes of header text before the first NUL of the image.
qint64 HeaderTextLength(const char* bytes, qint64 length);

QString FindHeaderValue(const QString& text, const QString& key, bool* found = nullptr);
QString FindParameterValue(const QString& text, const QString& key, bool* found = nullptr);
float DecodeScaleText(const QString& text, const QString& fallback);
QString EncodeScaleText(float value);
int TcLetterToIndex(const QString& text);
QString TcIndexToLetter(int index);
// "2.5" and "2,5" both read as 2.5, whatever the locale.
double ParseLocalNumber(const QString& text);

// What a parameter block's values fall back to: the scales to the model's range, the start to the
// header's.
struct ParameterBlockDefaults {
    QString rangeLow, rangeHigh, start;
};
struct ParameterBlockReading {
    ParameterBlockFields fields;
    // The start as found, for a refusal to quote.
    QString startText;
};
// The fields of a parameter block's text, each key read wherever it is in the text.
ParameterBlockReading ReadParameterBlock(const QString& text,
                                         const ParameterBlockDefaults& defaults);

// Opens `file` (named, not yet open) for reading and makes `buffer` ready for its bytes: room
// for `size` = the file's size rounded up to whole 512-byte units, zero past the size. Refuses a
// file that cannot be opened or is too big to hold (1013), one too small to be a session file
// (623), and a buffer there is no memory for (603). The one opening of a session file, for a
// load at once and for a stepped one.
Outcome OpenSessionFile(QFile& file, QByteArray& buffer, qint64& size);
// Refuses (1013) a read of the file at `path` that brought fewer bytes than a session file
// holds: it failed or the file shrank.
Outcome CheckSessionFileRead(const QString& path, qint64 bytesRead);
// Reads the whole file into memory; refuses what cannot be a session file.
Outcome LoadSessionImage(const QString& path, QByteArray& image);
// The checks made before a session is created for an image read from `path`.
Outcome CheckSessionImage(const QString& path, const QByteArray& image);

// Reads a file image into a session a bounded piece at a time, so that a load can show how far
// it is and be given up between two pieces; ReadSessionImage runs it at once.
class SessionImageReader {
public:
    static constexpr qint64 kBlocksPerStep = 512;
    static constexpr std::size_t kCountsPerStep = 65536;

    // `bytes` must outlive the reader; nothing past `length` is read.
    SessionImageReader(CRecSession& session, const char* bytes, qint64 length, bool isTemporary);
    // The header, the parameter block and the copies of the file. All is read before the session
    // changes: a refusal leaves it as it was and ends the reading.
    Outcome Begin();
    // Walks some data blocks or converts some values: nothing while there is more to do, else
    // how the reading ended.
    [[nodiscard]] std::optional<Outcome> Step();
    // Each data block counts twice: once walked, once converted.
    qint64 WorkDone() const;
    qint64 WorkTotal() const { return 2 * Blocks(); }

private:
    enum class PhaseType { Walk, Convert, Done };

    qint64 Blocks() const;
    // Appends the samples of at most `blocks` more blocks; true once the last one is walked.
    bool Walk(qint64 blocks);

    CRecSession& session_;
    const char* bytes_;
    qint64 length_;
    bool isTemporary_;
    PhaseType phase_ = PhaseType::Walk;
    qint64 firstUnit_ = 0;
    qint64 units_ = 0;
    qint64 unit_ = 0;
    bool reserved_ = false;
    int32_t cjcCount_ = 0;
    bool converting_ = false;
};

Outcome ReadSessionImage(CRecSession& session, const char* bytes, qint64 length, bool isTemporary);
Outcome ReadSessionImage(CRecSession& session, const QByteArray& image, bool isTemporary);

Outcome WriteSessionFile(const CRecSession& session, const QString& path);
Outcome RewriteParameterBlock(const CRecSession& session, const QString& path);

// The 2560-byte block of the fields as KeepAsStored() leaves them.
QByteArray BuildParameterBlock(const ParameterBlockFields& fields);
[[nodiscard]] bool FormatParameterBlock(QFileDevice& file, qint64 offset,
                                        const ParameterBlockFields& fields);
