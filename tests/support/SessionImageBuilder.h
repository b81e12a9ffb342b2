#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

// Builds session file images the way a logger (or the control panel) lays them out:
// a NUL-padded header of "Key=Value\r\n" lines, an optional UTF-16LE parameter block and
// 256-byte data blocks {4 bytes, uint16 count, samples}.
class SessionImageBuilder {
public:
    SessionImageBuilder() {
        Set("AppName", "VX.exe");
        Set("GenBy", "Inst");
        Set("FVer", "1.20");
        Set("Model", "2");
        Set("SerNum", "12345");
        Set("VRef", "2.5");
        Set("MaxCnt", "2500");
        Set("Ch1Mult", "1");
        Set("Start", "2024/03/05 14:07:09");
        Set("End", "2024/03/05 15:07:09");
        Set("Per", "1");
        Set("Ch1LowScale", "00000000");
        Set("Ch1HighScale", "00002041");
        Set("Ch1Units", "");
        Set("TC_Type", "J");
        Set("EnableCJC", "0");
        Set("Polarity", "1");
        Set("FilterSize", "1");
    }

    SessionImageBuilder& Set(const QByteArray& key, const QByteArray& value) {
        for (auto& kv : header_)
            if (kv.first == key) {
                kv.second = value;
                return *this;
            }
        header_.emplace_back(key, value);
        return *this;
    }
    SessionImageBuilder& Remove(const QByteArray& key) {
        std::erase_if(header_, [&](const auto& kv) { return kv.first == key; });
        return *this;
    }
    // Free header text instead of the key list (for odd layouts).
    SessionImageBuilder& HeaderText(const QByteArray& text) {
        rawHeader_ = text;
        useRawHeader_ = true;
        return *this;
    }
    // A control-panel file: "GenBy=VXCP" and this text as its parameter block.
    SessionImageBuilder& ParameterText(const QString& text) {
        Set("GenBy", "VXCP");
        parameters_ = text;
        hasParameters_ = true;
        return *this;
    }
    SessionImageBuilder& ParameterBlock(const QByteArray& block) {
        Set("GenBy", "VXCP");
        parameterBlock_ = block;
        hasParameters_ = true;
        return *this;
    }

    // Plain counts, packed 125 to a block (or `perBlock`).
    SessionImageBuilder& Samples(const std::vector<int16_t>& counts, int perBlock = 125) {
        for (std::size_t i = 0; i < counts.size(); i += static_cast<std::size_t>(perBlock)) {
            QByteArray block(256, '\0');
            const std::size_t n = std::min(counts.size() - i, static_cast<std::size_t>(perBlock));
            PutCount(block, n);
            for (std::size_t j = 0; j < n; ++j)
                Put16(block, 6 + 2 * j, counts[i + j]);
            blocks_.push_back(block);
        }
        return *this;
    }
    // Thermocouple pairs {reading, cold junction}, 62 to a block.
    SessionImageBuilder& PairSamples(const std::vector<std::pair<int16_t, int16_t>>& pairs) {
        for (std::size_t i = 0; i < pairs.size(); i += 62) {
            QByteArray block(256, '\0');
            const std::size_t n = std::min<std::size_t>(pairs.size() - i, 62);
            PutCount(block, n);
            for (std::size_t j = 0; j < n; ++j) {
                Put16(block, 6 + 4 * j, pairs[i + j].first);
                Put16(block, 8 + 4 * j, pairs[i + j].second);
            }
            blocks_.push_back(block);
        }
        return *this;
    }
    // A block with any count field, its sample bytes from `fill`.
    SessionImageBuilder& RawBlock(uint16_t count, const std::vector<int16_t>& fill = {}) {
        QByteArray block(256, '\0');
        PutCount(block, count);
        for (std::size_t j = 0; j < fill.size() && 7 + 2 * j < 256; ++j)
            Put16(block, 6 + 2 * j, fill[j]);
        blocks_.push_back(block);
        return *this;
    }

    QByteArray HeaderBytes() const {
        QByteArray text;
        if (useRawHeader_) {
            text = rawHeader_;
        } else {
            for (const auto& kv : header_)
                text += kv.first + '=' + kv.second + "\r\n";
        }
        const qsizetype size = (text.size() + 12 + 255) / 256 * 256;
        text.append(QByteArray(size - text.size(), '\0'));
        return text;
    }

    QByteArray Build() const {
        QByteArray out = HeaderBytes();
        if (hasParameters_) {
            if (!parameterBlock_.isEmpty()) {
                out += parameterBlock_;
            } else {
                QByteArray block(2560, '\0');
                for (qsizetype i = 0; i < parameters_.size() && 2 * i + 1 < block.size(); ++i) {
                    block[2 * i] = static_cast<char>(parameters_[i].unicode() & 0xFF);
                    block[2 * i + 1] = static_cast<char>(parameters_[i].unicode() >> 8);
                }
                out += block;
            }
        }
        for (const QByteArray& b : blocks_)
            out += b;
        // A file always has at least two units so that it is never refused as too short.
        if (out.size() < 512)
            out.append(QByteArray(512 - out.size(), '\0'));
        return out;
    }

private:
    static void Put16(QByteArray& b, std::size_t at, int v) {
        b[static_cast<qsizetype>(at)] = static_cast<char>(v & 0xFF);
        b[static_cast<qsizetype>(at + 1)] = static_cast<char>((v >> 8) & 0xFF);
    }
    static void PutCount(QByteArray& b, std::size_t n) { Put16(b, 4, static_cast<int>(n)); }

    std::vector<std::pair<QByteArray, QByteArray>> header_;
    QByteArray rawHeader_;
    bool useRawHeader_ = false;
    QString parameters_;
    QByteArray parameterBlock_;
    bool hasParameters_ = false;
    std::vector<QByteArray> blocks_;
};

// Writes the builder's image to `path` and gives the path back; empty when it could not.
inline QString WriteSessionFile(const QString& path, const SessionImageBuilder& builder) {
    QFile f(path);
    const QByteArray image = builder.Build();
    return f.open(QIODevice::WriteOnly) && f.write(image) == image.size() ? path : QString();
}
