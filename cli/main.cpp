// vexlo-cli: a headless look into session files, for scripts and for checking the core.
#include "cli/CommandFiles.h"
#include "cli/CommandLine.h"
#include "cli/CommandUsage.h"
#include "cli/ConsoleOutput.h"
#include "cli/ExitStatus.h"
#include "cli/ExportCommand.h"
#include "cli/InstrumentConnection.h"
#include "cli/InstrumentReport.h"
#include "cli/LoggerCommandRunner.h"
#include "cli/PlotCommand.h"
#include "cli/ReplayCommand.h"
#include "cli/ReportCommand.h"
#include "cli/SessionInput.h"
#include "cli/SessionReport.h"
#include "cli/TerminalUserInterface.h"
#include "cli/VersionsCommand.h"
#include "core/app/AppIdentity.h"
#include "core/common/Clock.h"
#include "core/common/InterfaceLocale.h"
#include "core/common/UserNumber.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFigures.h"
#include "platform/PosixDriveBackend.h"
#include "platform/QtSettingsStore.h"
#include "sim/SimulatedDrive.h"

#include <QGuiApplication>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage : vexlo-cli COMMANDE [FICHIER.vx] [options]\n"
    "\n"
    "Sessions :\n"
    "  info FICHIER.vx     en-tête, paramètres et durée de la session\n"
    "  values FICHIER.vx   chaque valeur avec sa date, son heure et son texte\n"
    "  stats FICHIER.vx    MIN, MAX, AVG, dernière valeur et total [--first N] [--last M]\n"
    "                      [--low X] [--high Y]   temps hors des limites d’alarme, et TCM\n"
    "  events FICHIER.vx   événements d’une session d’événements\n"
    "  params FICHIER.vx   liste des paramètres de la session\n"
    "  export FICHIER.vx [CLASSEUR.xlsx|VALEURS.csv|-] [--force] [--iso]\n"
    "                    [--separator C] [--decimal C] [--format csv|xlsx]\n"
    "                      feuille de calcul ou CSV (« - » : CSV sur la sortie standard)\n"
    "  plot FICHIER.vx --out IMAGE.png|IMAGE.pdf [--width L] [--height H] [--from T] [--to T]\n"
    "                      [--cursor T] [--describe] [--force] [--format png|pdf]\n"
    "                      graphique de tendance, comme la page de la session ; --out -\n"
    "                      l’écrit sur la sortie standard (avec --format)\n"
    "  plot A.vx B.vx … --out IMAGE.png   sessions de même unité superposées sur leurs heures\n"
    "  report FICHIER.vx --out RAPPORT.pdf [--header] [--footer] [--comments]\n"
    "                    [--samples SECONDES] [--force]   rapport imprimé de la session, en PDF\n"
    "Instrument :\n"
    "  drives              lecteurs amovibles dans l’ordre de recherche, et l’instrument\n"
    "  status [--out PAGE.pdf [--force]]   se connecte à l’instrument et affiche sa page\n"
    "                      d’état, ou l’imprime en PDF (deux pages)\n"
    "  configure [--now | --schedule DÉBUT FIN] [--duration DURÉE] [--low X] [--high Y]\n"
    "            [--units U] [--tc J|K|T|N|E|R|S] [--cjc on|off] [--polarity rising|falling]\n"
    "            [--filter N]   configure l’instrument (voir vexlo-cli configure --help)\n"
    "  record start|stop   démarre ou arrête l’enregistrement\n"
    "  clock set [--sync | \"AAAA/MM/JJ HH:MM:SS\"]   règle l’horloge de l’instrument\n"
    "  erase [--wait]      efface la mémoire de l’instrument\n"
    "  download [--out-dir DOSSIER] [--session-name NOM] [--location LIEU] [--raw-dump]\n"
    "                      télécharge l’enregistrement dans un fichier de session (et,\n"
    "                      avec --raw-dump, son vidage brut NOM.vxdump)\n"
    "  replay VIDAGE.vxdump [--out-dir DOSSIER]   refait le téléchargement d’un vidage brut\n"
    "  flash FICHIER.hex | --latest [--server URL]   programme le micrologiciel\n"
    "Mises à jour :\n"
    "  versions [--server URL] [--json]   ce que propose le serveur de mise à jour\n"
    "\n"
    "Options :\n"
    "  --json              un objet JSON sur la sortie standard\n"
    "  --first N           première valeur de la fenêtre des statistiques\n"
    "  --last M            dernière valeur de la fenêtre des statistiques\n"
    "  --low X, --high Y   limites d’alarme de stats et plot, dans l’unité de la session ;\n"
    "                      sans elles, celles retenues pour l’instrument\n"
    "  --simulate MODÈLE   un instrument émulé (code de modèle 0 à 9) au lieu des lecteurs\n"
    "  --from T, --to T    fenêtre du graphique, en secondes depuis la première valeur\n"
    "  --cursor T          curseur placé T secondes après la première valeur\n"
    "  --describe          décrit ce qui a été dessiné (JSON), avec la ligne de la voie\n"
    "  --force             remplace le fichier que plot, report, status --out ou export\n"
    "                      écrit s’il existe déjà ; jamais un fichier que la commande lit\n"
    "  --yes               répond oui aux questions de record et erase\n"
    "  --timeout S         attente de l’instrument pour configure, record, clock, erase et\n"
    "                      download, en secondes (10 par défaut)\n"
    "  --help              cette aide ; COMMANDE --help, l’aide de cette commande seule\n"
    "  --version           la version du programme\n"
    "\n"
    "Une option prend sa valeur en mot suivant ou après « = » (--out=IMAGE.png) ; « -- »\n"
    "termine les options. Les anciens noms restent acceptés : --out pour --out-dir (download,\n"
    "replay), --pdf pour --out (status).\n"
    "\n"
    "Les textes suivent la langue (LC_ALL, LANG), le fuseau horaire (TZ) et l’unité de\n"
    "température choisie dans les réglages du programme. VEXLO_DRIVES ajoute des dossiers\n"
    "(séparés par « : ») aux lecteurs recherchés. Les nombres, les états et les heures\n"
    "ISO 8601 de --json et d’export --iso sont les mêmes partout (voir JSON.md, dans\n"
    "/usr/share/doc/vexlo, ou dans cli/ des sources) ; « - » pour FICHIER.vx lit la session\n"
    "sur l’entrée standard.\n";

struct Arguments {
    std::string command;
    QString path;
    QStringList morePaths; // plot: the sessions to overlay on the first
    bool json = false;
    int first = -1;
    int last = -1;
    AlarmLimits limits;
    int simulatedModel = -1;
    PlotRequest plot;
    bool plotOptions = false;
    QString pdf; // status: the page's print-out
    bool force = false;

    bool IsSessionCommand() const {
        return command == "info" || command == "values" || command == "stats" ||
               command == "events" || command == "params" || command == "plot";
    }
    bool IsInstrumentCommand() const { return command == "drives" || command == "status"; }
};

// A --first or --last value.
CommandOption IndexOption(std::string_view name, int& index) {
    return {name, [&index](ArgumentCursor& values) -> UsageProblem {
                const char* v = values.Take();
                if (!v)
                    return "valeur manquante après --first ou --last";
                const auto i = ReadInteger(v, 0, std::numeric_limits<int>::max());
                if (!i)
                    return "--first et --last attendent un entier positif ou nul";
                index = *i;
                return std::nullopt;
            }};
}

// A --low or --high limit, in the session's display unit.
CommandOption LimitOption(std::string_view name, std::optional<double>& limit) {
    return {name, [&limit](ArgumentCursor& values) -> UsageProblem {
                const char* v = values.Take();
                limit = v ? ParseUserNumber(QString::fromLocal8Bit(v)) : std::nullopt;
                if (!limit)
                    return "--low et --high attendent un nombre";
                return std::nullopt;
            }};
}

CommandOption PixelsOption(std::string_view name, Arguments& args, int& pixels) {
    return {name, [&args, &pixels](ArgumentCursor& values) -> UsageProblem {
                const char* v = values.Take();
                if (!v)
                    return "valeur manquante après une option de plot";
                args.plotOptions = true;
                const auto n = ReadInteger(v, 100, 10000);
                if (!n)
                    return "--width et --height attendent un nombre de pixels de 100 à 10000";
                pixels = *n;
                return std::nullopt;
            }};
}

CommandOption WindowOption(std::string_view name, Arguments& args, std::optional<double>& at) {
    return {name, [&args, &at](ArgumentCursor& values) -> UsageProblem {
                const char* v = values.Take();
                if (!v)
                    return "valeur manquante après une option de plot";
                args.plotOptions = true;
                at = ReadSeconds(v);
                if (!at)
                    return "--from et --to attendent un nombre de secondes positif ou nul";
                return std::nullopt;
            }};
}

CommandLine SessionCommandLine(Arguments& args) {
    CommandLine line{"vexlo-cli", kUsage, {}, {}};
    line.options.push_back(FlagOption("--json", args.json));
    line.options.push_back(FlagOption("--force", args.force));
    line.options.push_back(IndexOption("--first", args.first));
    line.options.push_back(IndexOption("--last", args.last));
    line.options.push_back(LimitOption("--low", args.limits.low));
    line.options.push_back(LimitOption("--high", args.limits.high));
    line.options.push_back(SimulatedModelOption(args.simulatedModel));
    line.options.push_back({"--out", [&args](ArgumentCursor& values) -> UsageProblem {
                                const char* v = values.Take();
                                if (!v)
                                    return "valeur manquante après --out";
                                args.plot.out = QString::fromLocal8Bit(v);
                                return std::nullopt;
                            }});
    line.options.push_back(PixelsOption("--width", args, args.plot.width));
    line.options.push_back(PixelsOption("--height", args, args.plot.height));
    line.options.push_back(WindowOption("--from", args, args.plot.from));
    line.options.push_back(WindowOption("--to", args, args.plot.to));
    line.options.push_back({"--cursor", [&args](ArgumentCursor& values) -> UsageProblem {
                                args.plot.cursor = ReadSeconds(values.Take());
                                if (!args.plot.cursor)
                                    return "--cursor attend un nombre de secondes positif ou nul";
                                args.plotOptions = true;
                                return std::nullopt;
                            }});
    line.options.push_back({"--pdf", [&args](ArgumentCursor& values) -> UsageProblem {
                                const char* v = values.Take();
                                if (!v)
                                    return "--pdf attend le chemin du PDF";
                                args.pdf = QString::fromLocal8Bit(v);
                                return std::nullopt;
                            }});
    line.options.push_back({"--format", [&args](ArgumentCursor& values) -> UsageProblem {
                                const char* v = values.Take();
                                const std::string_view format = v ? v : "";
                                if (format != "png" && format != "pdf")
                                    return "--format attend png ou pdf";
                                args.plot.format = QString::fromLatin1(v);
                                args.plotOptions = true;
                                return std::nullopt;
                            }});
    line.options.push_back({"--describe", [&args](ArgumentCursor&) {
                                args.plot.describe = true;
                                args.plotOptions = true;
                                return UsageProblem();
                            }});
    line.other = [&args](std::string_view word) -> UsageProblem {
        if (args.command.empty())
            args.command = word;
        else if (args.path.isEmpty())
            args.path = QString::fromLocal8Bit(word.data(), static_cast<qsizetype>(word.size()));
        else if (args.command == "plot")
            args.morePaths.append(
                QString::fromLocal8Bit(word.data(), static_cast<qsizetype>(word.size())));
        else
            return "trop d’arguments";
        return std::nullopt;
    };
    return line;
}

// The usage error of arguments read whole, or none.
UsageProblem CheckArguments(const Arguments& args) {
    if (args.command.empty())
        return "commande manquante";
    if (!args.IsSessionCommand() && !args.IsInstrumentCommand())
        return "commande inconnue";
    if (args.IsSessionCommand() && args.path.isEmpty())
        return "fichier de session manquant";
    if (args.IsInstrumentCommand() && !args.path.isEmpty())
        return "trop d’arguments";
    if (args.simulatedModel >= 0 && !args.IsInstrumentCommand())
        return "--simulate ne sert qu’aux commandes drives et status";
    if (args.plotOptions && args.command != "plot")
        return "--width, --height, --from, --to, --cursor, --format et --describe ne servent qu’à "
               "plot";
    if (!args.plot.out.isEmpty() && args.command != "plot")
        return "--out ne sert qu’aux commandes plot et status";
    if (args.command == "plot" && args.plot.out.isEmpty())
        return "plot attend --out IMAGE.png ou IMAGE.pdf";
    if (args.plot.from && args.plot.to && *args.plot.to <= *args.plot.from)
        return "--to doit suivre --from";
    if (args.plot.out == QLatin1StringView(kPlotToStandardOutput) && args.plot.format.isEmpty())
        return "plot --out - attend --format png ou pdf";
    if (args.plot.out == QLatin1StringView(kPlotToStandardOutput) && args.plot.describe)
        return "--describe écrit sur la sortie standard : il lui faut un fichier --out";
    if (!args.pdf.isEmpty() && args.command != "status")
        return "--pdf ne sert qu’à la commande status";
    if (args.force && args.command != "plot" && args.pdf.isEmpty())
        return "--force ne sert qu’à plot et status --out";
    if ((args.first >= 0 || args.last >= 0) && args.command != "stats")
        return "--first et --last ne servent qu’à la commande stats";
    if (args.limits.Any() && args.command != "stats" &&
        !(args.command == "plot" && args.morePaths.isEmpty()))
        return "--low et --high ne servent qu’aux commandes stats et plot (une session)";
    if (args.limits.low && args.limits.high && *args.limits.low > *args.limits.high)
        return "--low doit être inférieur ou égal à --high";
    return std::nullopt;
}

// status names its print-out --out, as the other commands their files; --pdf is its old name.
UsageProblem SettleStatusOutput(Arguments& args) {
    if (args.command != "status" || args.plot.out.isEmpty())
        return std::nullopt;
    if (!args.pdf.isEmpty())
        return "--out et --pdf (son ancien nom) s’excluent";
    args.pdf = args.plot.out;
    args.plot.out.clear();
    return std::nullopt;
}

// Once the command is known, its help and usage errors are its own.
void NameCommand(CommandLine& line, int argc, char** argv) {
    const std::string usage = argc > 1 ? CommandUsage(argv[1]) : std::string();
    if (usage.empty())
        return;
    line.caller += std::string(" ") + argv[1];
    line.usage = usage;
}

// Returns an exit status when the arguments are not usable or only help was asked for.
std::optional<int> Parse(int argc, char** argv, Arguments& args) {
    CommandLine line = SessionCommandLine(args);
    NameCommand(line, argc, argv);
    if (const std::optional<int> status = line.Parse(argc, argv, 1))
        return status;
    if (const UsageProblem problem = SettleStatusOutput(args))
        return line.UsageError(*problem);
    if (const UsageProblem problem = CheckArguments(args))
        return line.UsageError(*problem);
    return std::nullopt;
}

// The file the command is to write, refused before anything is read or drawn.
std::optional<int> RefuseOutput(const Arguments& args) {
    const QString out = args.command == "plot" ? args.plot.out : args.pdf;
    if (out.isEmpty())
        return std::nullopt;
    QStringList inputs = args.morePaths;
    inputs.append(args.path);
    if (const Outcome allowed = CommandFiles::CheckOutput(out, inputs, args.force); !allowed)
        return Refuse(CliExit::kRefused, allowed.message);
    return std::nullopt;
}

int RunInstrumentCommand(const Arguments& args) {
    if (args.command == "status") {
        TerminalUserInterface ui(AnswerSourceType::None, STDIN_FILENO, stderr);
        InstrumentConnection link(args.simulatedModel, ui);
        return InstrumentReport::ShowStatus(link, args.json, args.pdf, stdout);
    }
    const SystemClock clock;
    std::unique_ptr<DriveBackend> drives;
    if (args.simulatedModel >= 0) {
        drives = std::make_unique<SimulatedDrive>(clock, DemoLoggerSettings(args.simulatedModel));
    } else {
        drives = std::make_unique<PosixDriveBackend>();
    }
    return InstrumentReport::ListDrives(*drives, args.json, stdout);
}

int RunOverlay(const Arguments& args, const UserSessionFile& first) {
    std::vector<std::unique_ptr<UserSessionFile>> others;
    std::vector<const CRecSession*> sessions{&first.session};
    for (const QString& path : args.morePaths) {
        others.push_back(std::make_unique<UserSessionFile>());
        if (const Outcome read = others.back()->Read(path); !read)
            return Refuse(CliExit::kRefused, read.message);
        sessions.push_back(&others.back()->session);
    }
    return RunOverlayPlot(sessions, first.settings, args.plot, stdout);
}

// The limits given on the command line replace those remembered for the logger.
void ApplyLimitOptions(const Arguments& args, CRecSession& session) {
    if (!args.limits.Any())
        return;
    SessionFigures figures = session.Figures();
    figures.limits = args.limits;
    session.SetFigures(figures);
}

int RunSessionCommand(const Arguments& args) {
    UserSessionFile file;
    if (const Outcome read = file.Read(args.path); !read)
        return Refuse(CliExit::kRefused, read.message);
    CRecSession& session = file.session;
    const QtSettingsStore& settings = file.settings;
    ApplyLimitOptions(args, session);

    if (args.command == "plot" && !args.morePaths.isEmpty())
        return RunOverlay(args, file);
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
    ApplyInterfaceLocale(LocaleEnvironment::OfProcess());
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vexlo-cli %s\n", qPrintable(AppIdentity::ProgramVersion()));
        return 0;
    }
    if (const auto status = LoggerCommandRunner::Run(argc, argv))
        return *status;
    if (argc > 1 && std::strcmp(argv[1], "export") == 0)
        return ExportCommand::Run(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "report") == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        const QGuiApplication gui(argc, argv);
        return ReportCommand::Run(argc, argv);
    }
    if (argc > 1 && std::strcmp(argv[1], "versions") == 0)
        return VersionsCommand::Run(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "replay") == 0)
        return ReplayCommand::Run(argc, argv);
    Arguments args;
    if (const auto status = Parse(argc, argv, args))
        return *status;
    if (const auto refused = RefuseOutput(args))
        return *refused;
    // Drawing needs fonts, hence a GUI application, but never a display.
    std::unique_ptr<QGuiApplication> gui;
    if (args.command == "plot" || !args.pdf.isEmpty()) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        gui = std::make_unique<QGuiApplication>(argc, argv);
    }
    const int status =
        args.IsInstrumentCommand() ? RunInstrumentCommand(args) : RunSessionCommand(args);
    return std::fflush(stdout) == 0 ? status : 1;
}
