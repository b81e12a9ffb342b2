#pragma once

#include <QByteArray>

// Intel HEX text written the plain way (16-byte data records, an extended linear address
// record at each 64 KiB, the end record), and firmware images carrying the family mark.
namespace IntelHexBuilder {

inline QByteArray Record(int address, int type, const QByteArray& data) {
    QByteArray body;
    body.append(static_cast<char>(data.size()));
    body.append(static_cast<char>((address >> 8) & 0xFF));
    body.append(static_cast<char>(address & 0xFF));
    body.append(static_cast<char>(type));
    body.append(data);
    int sum = 0;
    for (const char c : body)
        sum += static_cast<unsigned char>(c);
    body.append(static_cast<char>(-sum & 0xFF));
    return ':' + body.toHex().toUpper() + "\r\n";
}

inline QByteArray Text(const QByteArray& bytes) {
    QByteArray text;
    int upper = 0;
    for (int at = 0; at < bytes.size(); at += 16) {
        if ((at >> 16) != upper) {
            upper = at >> 16;
            QByteArray segment;
            segment.append(static_cast<char>(upper >> 8));
            segment.append(static_cast<char>(upper & 0xFF));
            text += Record(0, 4, segment);
        }
        text += Record(at & 0xFFFF, 0, bytes.mid(at, 16));
    }
    return text + ":00000001FF\r\n";
}

// `size` bytes that differ from page to page, "X" at 1056 and "V" at 1057.
inline QByteArray Firmware(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251 + 13) & 0xFF);
    if (size > 1057) {
        bytes[1056] = 'X';
        bytes[1057] = 'V';
    }
    return bytes;
}

} // namespace IntelHexBuilder
