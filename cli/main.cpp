// vexlo-cli: a headless look into session files, for scripts and for checking the core.
#include "app/TemperatureSetting.h"
#include "cli/ExitStatus.h"
#include "cli/ExportCommand.h"
#include "cli/InstrumentCommands.h"
#include "cli/InstrumentConnection.h"
#include "cli/InstrumentReport.h"
#include "cli/PlotCommand.h"
#include "cli/SessionReport.h"
#include "cli/TerminalUserInterface.h"
#include "common/Clock.h"
#include "platform/PosixDriveBackend.h"
#include "platform/QtSettingsStore.h"
#include "session/CRecSession.h"
#include "session/SessionFile.h"
#include "sim/SimulatedDrive.h"

#include <QGuiApplication>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "usage : vexlo-cli COMMANDE [FICHIER.vx] [options]\n"
    "\n"
    "Sessions :\n"
    "  info FICHIER.vx     en-tête, paramètres et durée de la session\n"
    "  values FICHIER.vx   chaque valeur avec sa date, son heure et son texte\n"
    "  stats FICHIER.vx    MIN, MAX, AVG, dernière valeur et total [--first N] [--last M]\n"
    "  events FICHIER.vx   événements d’une session d’événements\n"
    "  params FICHIER.vx   liste des paramètres de la session\n"
    "  export FICHIER.vx [CLASSEUR.xlsx] [--force]   feuille de calcul de la session\n"
    "  plot FICHIER.vx --out IMAGE.png|IMAGE.pdf [--width L] [--height H] [--from T] [--to T]\n"
    "                      [--cursor T] [--describe]   graphique de tendance, comme la page de la session\n"
    "Instrument :\n"
    "  drives              lecteurs amovibles dans l’ordre de recherche, et l’instrument\n"
    "  status              se connecte à l’instrument et affiche sa page d’état\n"
    "  configure [--now | --schedule DÉBUT FIN] [--duration DURÉE] [--low X] [--high Y]\n"
    "            [--units U] [--tc J|K|T|N|E|R|S] [--cjc on|off] [--polarity rising|falling]\n"
    "            [--filter N]   configure l’instrument (voir vexlo-cli configure --help)\n"
    "  record start|stop   démarre ou arrête l’enregistrement\n"
    "  clock set [--sync | \"AAAA/MM/JJ HH:MM:SS\"]   règle l’horloge de l’instrument\n"
    "  erase [--wait]      efface la mémoire de l’instrument\n"
    "  download [--out DOSSIER] [--session-name NOM] [--location LIEU]\n"
    "                      télécharge l’enregistrement dans un fichier de session\n"
    "\n"
    "Options :\n"
    "  --json              un objet JSON sur la sortie standard\n"
    "  --first N           première valeur de la fenêtre des statistiques\n"
    "  --last M            dernière valeur de la fenêtre des statistiques\n"
    "  --simulate MODÈLE   un instrument émulé (code de modèle 0 à 9) au lieu des lecteurs\n"
    "  --from T, --to T    fenêtre du graphique, en secondes depuis le début\n"
    "  --cursor T          curseur placé T secondes après le début\n"
    "  --describe          décrit ce qui a été dessiné (JSON), avec la ligne de la voie\n"
    "  --yes               répond oui aux questions de record et erase\n"
    "  --timeout S         attente de l’instrument pour configure, record, clock, erase et\n"
    "                      download, en secondes (10 par défaut)\n"
    "  --help              cette aide\n"
    "\n"
    "Les textes suivent la langue (LC_ALL, LANG), le fuseau horaire (TZ) et l’unité de\n"
    "température choisie dans les réglages du programme. VEXLO_DRIVES ajoute des dossiers\n"
    "(séparés par « : ») aux lecteurs recherchés.\n";

struct Arguments {
    std::string command;
    QString path;
    bool json = false;
    int first = -1;
    int last = -1;
    int simulatedModel = -1;
    PlotRequest plot;
    bool plotOptions = false;

    bool IsSessionCommand() const {
        return command == "info" || command == "values" || command == "stats" ||
               command == "events" || command == "params" || command == "plot";
    }
    bool IsInstrumentCommand() const { return command == "drives" || command == "status"; }
};

int UsageError(const char* what) {
    return CliExit::UsageError("vexlo-cli", what, kUsage);
}

std::optional<int> ParseIndex(const char* text) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < 0 || v > 2147483647L)
        return std::nullopt;
    return static_cast<int>(v);
}

// Returns an exit status when the arguments are not usable.
std::optional<int> Parse(int argc, char** argv, Arguments& args) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (!std::strcmp(a, "--json")) {
            args.json = true;
        } else if (!std::strcmp(a, "--first") || !std::strcmp(a, "--last")) {
            if (i + 1 >= argc)
                return UsageError("valeur manquante après --first ou --last");
            const auto v = ParseIndex(argv[++i]);
            if (!v)
                return UsageError("--first et --last attendent un entier positif ou nul");
            (a[2] == 'f' ? args.first : args.last) = *v;
        } else if (!std::strcmp(a, "--simulate")) {
            const auto v = i + 1 < argc ? ParseIndex(argv[++i]) : std::nullopt;
            if (!v || *v > 9)
                return UsageError("--simulate attend un code de modèle de 0 à 9");
            args.simulatedModel = *v;
        } else if (!std::strcmp(a, "--out") || !std::strcmp(a, "--width") ||
                   !std::strcmp(a, "--height") || !std::strcmp(a, "--from") ||
                   !std::strcmp(a, "--to")) {
            if (i + 1 >= argc)
                return UsageError("valeur manquante après une option de plot");
            const char* value = argv[++i];
            args.plotOptions = true;
            if (a[2] == 'o') {
                args.plot.out = QString::fromLocal8Bit(value);
            } else if (a[2] == 'w' || a[2] == 'h') {
                const auto v = ParseIndex(value);
                if (!v || *v < 100 || *v > 10000)
                    return UsageError("--width et --height attendent un nombre de pixels de 100 à 10000");
                (a[2] == 'w' ? args.plot.width : args.plot.height) = *v;
            } else {
                char* end = nullptr;
                const double v = std::strtod(value, &end);
                if (!*value || *end || !(v >= 0))
                    return UsageError("--from et --to attendent un nombre de secondes positif ou nul");
                (a[2] == 'f' ? args.plot.from : args.plot.to) = v;
            }
        } else if (!std::strcmp(a, "--cursor")) {
            char* end = nullptr;
            const char* value = i + 1 < argc ? argv[++i] : "";
            const double v = std::strtod(value, &end);
            if (!*value || *end || !(v >= 0) || !std::isfinite(v))
                return UsageError("--cursor attend un nombre de secondes positif ou nul");
            args.plot.cursor = v;
            args.plotOptions = true;
        } else if (!std::strcmp(a, "--describe")) {
            args.plot.describe = true;
            args.plotOptions = true;
        } else if (a[0] == '-' && a[1] == '-') {
            return UsageError("option inconnue");
        } else if (args.command.empty()) {
            args.command = a;
        } else if (args.path.isEmpty()) {
            args.path = QString::fromLocal8Bit(a);
        } else {
            return UsageError("trop d’arguments");
        }
    }
    if (args.command.empty())
        return UsageError("commande manquante");
    if (!args.IsSessionCommand() && !args.IsInstrumentCommand())
        return UsageError("commande inconnue");
    if (args.IsSessionCommand() && args.path.isEmpty())
        return UsageError("fichier de session manquant");
    if (args.IsInstrumentCommand() && !args.path.isEmpty())
        return UsageError("trop d’arguments");
    if (args.simulatedModel >= 0 && !args.IsInstrumentCommand())
        return UsageError("--simulate ne sert qu’aux commandes drives et status");
    if (args.plotOptions && args.command != "plot")
        return UsageError("--out, --width, --height, --from, --to, --cursor et --describe ne servent qu’à plot");
    if (args.command == "plot" && args.plot.out.isEmpty())
        return UsageError("plot attend --out IMAGE.png ou IMAGE.pdf");
    if (args.plot.from && args.plot.to && *args.plot.to <= *args.plot.from)
        return UsageError("--to doit suivre --from");
    if ((args.first >= 0 || args.last >= 0) && args.command != "stats")
        return UsageError("--first et --last ne servent qu’à la commande stats");
    return std::nullopt;
}

int Refuse(const QString& message) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    return CliExit::kRefused;
}

int RunInstrumentCommand(const Arguments& args) {
    if (args.command == "status") {
        TerminalUserInterface ui(AnswerSourceType::None, STDIN_FILENO, stderr);
        InstrumentConnection link(args.simulatedModel, ui);
        return InstrumentReport::ShowStatus(link, args.json, stdout);
    }
    const SystemClock clock;
    std::unique_ptr<DriveBackend> drives;
    if (args.simulatedModel >= 0) {
        LoggerSettings logger;
        logger.modelCode = args.simulatedModel;
        drives = std::make_unique<SimulatedDrive>(clock, logger);
    } else {
        drives = std::make_unique<PosixDriveBackend>();
    }
    return InstrumentReport::ListDrives(*drives, args.json, stdout);
}

int RunSessionCommand(const Arguments& args) {
    const QtSettingsStore settings;
    const TemperatureSetting temperature(settings);
    CRecSession session(&temperature);
    session.SetPath(args.path);
    {
        QByteArray image;
        if (const Outcome loaded = LoadSessionImage(args.path, image); !loaded)
            return Refuse(loaded.message);
        if (const Outcome checked = CheckSessionImage(args.path, image); !checked)
            return Refuse(checked.message);
        if (const Outcome read = ReadSessionImage(session, image, false); !read)
            return Refuse(read.message);
    }

    if (args.command == "plot")
        return RunPlot(session, settings, args.plot, stdout);
    const SessionReport report(session, stdout, args.json);
    if (args.command == "info")
        report.Info();
    else if (args.command == "values")
        report.Values();
    else if (args.command == "stats")
        report.Statistics(args.first, args.last);
    else if (args.command == "params")
        report.Params();
    else
        report.Events();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (const auto status = InstrumentCommands::Run(argc, argv))
        return *status;
    if (argc > 1 && std::strcmp(argv[1], "export") == 0)
        return ExportCommand::Run(argc, argv);
    Arguments args;
    if (const auto status = Parse(argc, argv, args))
        return *status;
    // Drawing needs fonts, hence a GUI application, but never a display.
    std::unique_ptr<QGuiApplication> gui;
    if (args.command == "plot") {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        gui = std::make_unique<QGuiApplication>(argc, argv);
    }
    const int status = args.IsInstrumentCommand() ? RunInstrumentCommand(args) : RunSessionCommand(args);
    return std::fflush(stdout) == 0 ? status : 1;
}
