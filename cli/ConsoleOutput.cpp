#include "cli/ConsoleOutput.h"

#include <cstdio>

QString PrintableText(const QString& text, bool keepLineBreaks) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool control = u < 0x20 || (u >= 0x7f && u <= 0x9f);
        if (control && !(keepLineBreaks && u == u'\n'))
            shown += QStringLiteral("\\x%1").arg(static_cast<int>(u), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

int Refuse(int status, const QString& message) {
    std::fprintf(stderr, "vexlo-cli : %s\n",
                 PrintableText(message, true).toLocal8Bit().constData());
    return status;
}

void PrintLine(const QString& text) {
    std::fprintf(stdout, "%s\n", text.toLocal8Bit().constData());
}
