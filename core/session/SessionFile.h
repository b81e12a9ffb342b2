#pragma once

#include "common/CalendarDateTime.h"
#include "common/Outcome.h"

#include <QByteArray>
#include <QString>

class CRecSession;
class QFileDevice;

inline constexpr int kSessionUnit = 256;
inline constexpr int kParameterBlockSize = 2560;
inline constexpr int kParameterBlockChars = kParameterBlockSize / 2;
inline constexpr int kMinimumSessionFileSize = 512;
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
// The leading decimal integer, as C's atoi reads it, clamped to the int range.
int ParseLeadingInt(const QString& text);

// Reads the whole file into memory; refuses what cannot be a session file.
Outcome LoadSessionImage(const QString& path, QByteArray& image);
// The checks made before a session is created for an image read from `path`.
Outcome CheckSessionImage(const QString& path, const QByteArray& image);

Outcome ReadSessionImage(CRecSession& session, const char* bytes, qint64 length,
                         bool isTemporary, qint64 bufferSize);
Outcome ReadSessionImage(CRecSession& session, const QByteArray& image, bool isTemporary);

Outcome WriteSessionFile(const CRecSession& session, const QString& path);
Outcome RewriteParameterBlock(const CRecSession& session, const QString& path);

// The 2560-byte block; over-long texts are shortened and line breaks become spaces.
QByteArray BuildParameterBlock(const ParameterBlockFields& fields);
bool FormatParameterBlock(QFileDevice& file, qint64 offset, const ParameterBlockFields& fields);
