#include "sim/SimulatedFaults.h"

#include <QByteArray>
#include <optional>

namespace {

// A whole number in [minimum, maximum], nothing else.
std::optional<qint64> WholeNumber(const QString& text, qint64 minimum, qint64 maximum) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

} // namespace

bool AddFault(const QString& text, SimulatedFaults& faults) {
    const qsizetype equals = text.indexOf(u'=');
    const QString name = equals < 0 ? text : text.left(equals);
    const QString value = equals < 0 ? QString() : text.mid(equals + 1);
    const bool hasValue = equals >= 0;
    SimulatedFaults next = faults;
    if (name == u"unplug-after" && hasValue) {
        const auto seconds = WholeNumber(value, 1, 7 * 24 * 3600);
        if (!seconds)
            return false;
        next.drive.unplugAfterMs = *seconds * 1000;
    } else if (name == u"slow-reads" && hasValue) {
        const auto ms = WholeNumber(value, 1, 60000);
        if (!ms)
            return false;
        next.drive.slowReadsMs = *ms;
    } else if (name == u"ack-delay" && hasValue) {
        const auto ms = WholeNumber(value, 1, 60000);
        if (!ms)
            return false;
        next.logger.ackDelayMs = *ms;
    } else if (name == u"hang-after" && hasValue) {
        const auto seconds = WholeNumber(value, 1, 7 * 24 * 3600);
        if (!seconds)
            return false;
        next.drive.hangAfterMs = *seconds * 1000;
    } else if (name == u"hang-for" && hasValue) {
        const auto seconds = WholeNumber(value, 1, 7 * 24 * 3600);
        if (!seconds)
            return false;
        next.drive.hangForMs = *seconds * 1000;
    } else if (hasValue) {
        return false;
    } else if (name == u"eio-record") {
        next.drive.eioRecord = true;
    } else if (name == u"short-record") {
        next.drive.shortRecord = true;
    } else if (name == u"stall-clock") {
        next.logger.stallClock = true;
    } else if (name == u"erase-never-ends") {
        next.logger.eraseNeverEnds = true;
    } else if (name == u"no-acks") {
        next.logger.noAcks = true;
    } else if (name == u"garbage-status") {
        next.logger.garbageStatus = true;
    } else {
        return false;
    }
    faults = next;
    return true;
}

QByteArray GarbageStatusText() {
    QByteArray text("Model=sept\r\nSerNum=\r\nMemSize=-12e\r\nMemUsed=99999999999999999999999\r\n"
                    "RecordingState=\x01\r\nTime=2024/13/45 25:61:61\r\nVRef=nan\r\n");
    text.append("Chan1Cnt=", 9).append('\0').append("42\r\n\0\0=\r\n", 9);
    text.append(QByteArray(512, 'Z'));
    return text;
}
