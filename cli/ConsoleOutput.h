#pragma once

#include <QString>

// "vexlo-cli : " and the message on standard error, as every command refuses; returns `status`.
int Refuse(int status, const QString& message);
// Standard output, one line.
void PrintLine(const QString& text);
