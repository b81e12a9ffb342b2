#pragma once

#include <QString>

// `text` read from a file, made safe for a terminal: each control character (an escape
// sequence's start, a line break, a tab…) written as \xHH. With `keepLineBreaks`, a line
// break stays one, for a message of several lines.
QString PrintableText(const QString& text, bool keepLineBreaks = false);
// "vexlo-cli : " and the message on standard error, as every command refuses; returns `status`.
int Refuse(int status, const QString& message);
// Standard output, one line.
void PrintLine(const QString& text);
