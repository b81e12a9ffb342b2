#include "core/common/TimeFormat.h"

#include "core/common/CalendarDateTime.h"
#include "core/common/StringTable.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <ctime>

namespace {

// The C library's text for a time stamp, for when the locale can't produce one.
QString CLibraryText(qint64 seconds, const char* conversion) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm fields{};
    if (!localtime_r(&t, &fields))
        return QString();
    char buffer[256];
    const std::size_t length = std::strftime(buffer, sizeof buffer, conversion, &fields);
    return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(length));
}

// Skips a quoted literal of a QLocale format starting at `i`; returns the index after it.
qsizetype SkipQuoted(const QString& format, qsizetype i) {
    for (++i; i < format.size(); ++i) {
        if (format[i] != u'\'')
            continue;
        if (i + 1 < format.size() && format[i + 1] == u'\'')
            ++i;
        else
            return i + 1;
    }
    return i;
}

// The locale's time with seconds, without the time zone that its long format carries.
QString TimeWithSecondsFormat(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    qsizetype i = 0;
    while (i < format.size()) {
        if (format[i] == u'\'') {
            const qsizetype end = SkipQuoted(format, i);
            out += QStringView(format).sliced(i, end - i);
            i = end;
        } else if (format[i] == u't') {
            while (i < format.size() && format[i] == u't')
                ++i;
            // One side's blanks go with the zone, so "HH:mm:ss t" and "t HH:mm:ss" both lose it.
            if (out.endsWith(u' ')) {
                while (out.endsWith(u' '))
                    out.chop(1);
            } else {
                while (i < format.size() && format[i] == u' ')
                    ++i;
            }
        } else {
            out += format[i++];
        }
    }
    return out;
}

QString InsertMilliseconds(const QString& text, int milliseconds) {
    if (milliseconds <= 0)
        return text;
    qsizetype end = text.size();
    while (end > 0 && !text[end - 1].isDigit())
        --end;
    return text.left(end) + QString::asprintf(".%03d", milliseconds) + text.mid(end);
}

QString ShortDateText(const CalendarDateTime& local) {
    return QLocale().toString(QDate(local.year, local.month, local.day), QLocale::ShortFormat);
}

QString TimeOfDayText(const CalendarDateTime& local) {
    const QLocale locale;
    return locale.toString(QTime(local.hour, local.minute, local.second),
                           TimeWithSecondsFormat(locale));
}

} // namespace

QString FormatShortDate(qint64 seconds) {
    const CalendarDateTime local = CalendarDateTime::FromLocalTimeStamp(seconds);
    const QString text = local.valid ? ShortDateText(local) : QString();
    return text.isEmpty() ? CLibraryText(seconds, "%x") : text;
}

QString FormatTimeOfDay(qint64 seconds, int milliseconds) {
    const CalendarDateTime local = CalendarDateTime::FromLocalTimeStamp(seconds);
    const QString text = local.valid ? TimeOfDayText(local) : QString();
    return InsertMilliseconds(text.isEmpty() ? CLibraryText(seconds, "%X") : text, milliseconds);
}

DateAndTimeText FormatDateAndTime(qint64 seconds, int milliseconds) {
    // A logger whose clock was reset records from 1970 on: those are its real times. Only a
    // time before any logger's clock begins is none.
    const CalendarDateTime local = CalendarDateTime::FromLocalTimeStamp(seconds);
    if (!local.valid || local.SecondsSince(LoggerClockFirst()) < 0) {
        const QString missing = ResourceString(TextId::kNoValue);
        return {missing, missing};
    }
    return {ShortDateText(local), InsertMilliseconds(TimeOfDayText(local), milliseconds)};
}
