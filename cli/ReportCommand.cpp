#include "cli/ReportCommand.h"

#include "cli/CommandLine.h"
#include "cli/ConsoleOutput.h"
#include "cli/ExitStatus.h"
#include "cli/PrintedGraph.h"
#include "cli/SessionInput.h"
#include "cli/StoredGraphSettings.h"
#include "core/graph/CTrendGraph.h"
#include "core/graph/ReportOptions.h"
#include "core/graph/SessionReport.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionTable.h"
#include "gui/graph/PrintDriver.h"
#include "platform/QtSettingsStore.h"

#include <QString>
#include <optional>

namespace {

constexpr const char* kUsage =
    "usage : vexlo-cli report FICHIER.vx --out RAPPORT.pdf [--header] [--footer] [--comments]\n"
    "                         [--samples SECONDES]\n"
    "  Écrit le rapport imprimé de la session en PDF (A4 paysage) : page 1 le titre, les\n"
    "  commentaires et les paramètres, page 2 la voie et le graphique de tendance, puis la\n"
    "  table d’échantillons avec --samples, moyennée sur cet intervalle pris dans la liste de\n"
    "  la fenêtre « Options du rapport » (l’entrée de cette durée, sinon la plus longue en\n"
    "  dessous, sinon la première). --header, --footer et --comments ajoutent l’en-tête, le\n"
    "  pied de page et les commentaires de la session.\n";

struct ReportArguments {
    QString session;
    QString out;
    ReportOptions options;
    std::optional<int> samples;
};

std::optional<int> Parse(int argc, char** argv, ReportArguments& args) {
    CommandLine line{"vexlo-cli report", kUsage, {}, {}};
    line.options.push_back({"--out", [&args](ArgumentCursor& values) -> UsageProblem {
                                const char* v = values.Take();
                                if (!v)
                                    return "--out attend le chemin du PDF";
                                args.out = QString::fromLocal8Bit(v);
                                return std::nullopt;
                            }});
    line.options.push_back(FlagOption("--header", args.options.includeHeader));
    line.options.push_back(FlagOption("--footer", args.options.includeFooter));
    line.options.push_back(FlagOption("--comments", args.options.includeComments));
    line.options.push_back({"--samples", [&args](ArgumentCursor& values) -> UsageProblem {
                                args.samples = ReadInteger(values.Take(), 1, 2147483647);
                                if (!args.samples)
                                    return "--samples attend un nombre entier de secondes";
                                return std::nullopt;
                            }});
    line.other = [&args](std::string_view word) -> UsageProblem {
        if (word.substr(0, 2) == "--")
            return "option inconnue";
        if (!args.session.isEmpty())
            return "trop d’arguments";
        args.session = QString::fromLocal8Bit(word.data(), static_cast<qsizetype>(word.size()));
        return std::nullopt;
    };
    if (const std::optional<int> status = line.Parse(argc, argv, 2))
        return status;
    if (args.session.isEmpty())
        return line.UsageError("fichier de session manquant");
    if (args.out.isEmpty())
        return line.UsageError("report attend --out RAPPORT.pdf");
    return std::nullopt;
}

// The table averaging the window's list would select for the seconds asked.
ReportOptions WithSampleTable(const CRecSession& session, ReportOptions options, int seconds) {
    ReportOptions asked = options;
    asked.includeSampleTable = true;
    ReportOptionsModel model(ReportSessionFacts::Of(session), asked);
    model.SetIncludeSampleTable(true);
    model.Select(model.EntryForSeconds(seconds));
    return model.Accepted();
}

} // namespace

namespace ReportCommand {

int Run(int argc, char** argv) {
    ReportArguments args;
    if (const auto status = Parse(argc, argv, args))
        return *status;
    UserSessionFile file;
    if (const Outcome read = file.Read(args.session); !read)
        return Refuse(CliExit::kRefused, read.message);
    CRecSession& session = file.session;
    const QtSettingsStore& settings = file.settings;
    const ReportOptions options =
        args.samples ? WithSampleTable(session, args.options, *args.samples) : args.options;

    const StoredGraphSettings graphSettings(settings);
    CTrendGraph graph;
    graph.SetSettingsSource(&graphSettings);
    graph.SetChannelSource(&session);
    graph.SetUnitText(session.DisplayUnits());
    ScaleAsOnScreen(graph);
    SessionReport report(session, graph, options, SessionPageTitle(session), false,
                         graphSettings.GraphColours());
    if (const Outcome written = PrintDriver::WritePdf(args.out, report); !written)
        return Refuse(CliExit::kRefused, written.message);
    return 0;
}

} // namespace ReportCommand
