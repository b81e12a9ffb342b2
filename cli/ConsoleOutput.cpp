#include "cli/ConsoleOutput.h"

#include <cstdio>

int Refuse(int status, const QString& message) {
    std::fprintf(stderr, "vexlo-cli : %s\n", message.toLocal8Bit().constData());
    return status;
}

void PrintLine(const QString& text) {
    std::fprintf(stdout, "%s\n", text.toLocal8Bit().constData());
}
