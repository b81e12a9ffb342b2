// Writes a long session file with a realistic signal, for benchmarks and demonstrations.
#include "BenchSessions.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const bool known =
        argc == 4 && (!std::strcmp(argv[1], "voltage") || !std::strcmp(argv[1], "thermocouple") ||
                      !std::strcmp(argv[1], "event"));
    if (!known) {
        std::fprintf(
            stderr,
            "usage : vexlo-make-session voltage|thermocouple|event ÉCHANTILLONS FICHIER.vx\n");
        return 64;
    }
    const int samples = std::atoi(argv[2]);
    const QByteArray image = !std::strcmp(argv[1], "voltage") ? BenchSessions::Voltage(samples)
                             : !std::strcmp(argv[1], "event")
                                 ? BenchSessions::Events(samples)
                                 : BenchSessions::Thermocouple(samples);
    QFile out(QString::fromLocal8Bit(argv[3]));
    if (!out.open(QIODevice::WriteOnly) || out.write(image) != image.size()) {
        std::fprintf(stderr, "impossible d’écrire %s\n", argv[3]);
        return 1;
    }
    return 0;
}
