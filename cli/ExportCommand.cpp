#include "cli/ExportCommand.h"

#include "cli/CommandFiles.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleOutput.h"
#include "cli/ExitStatus.h"
#include "cli/InterruptWatch.h"
#include "cli/SessionInput.h"
#include "core/app/AppFolders.h"
#include "core/common/StringTable.h"
#include "core/export/CXLSData.h"
#include "core/export/CsvExport.h"
#include "core/export/SessionExport.h"
#include "core/export/SessionExportCommand.h"
#include "core/session/CRecSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QString>
#include <cctype>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

constexpr const char* kStandardOutput = "-";

struct ExportArguments {
    QString session;
    QString out;
    bool force = false;
    bool iso = false;
    std::optional<char> separator;
    std::optional<char> decimal;
    std::optional<bool> csv; // --format; otherwise the extension decides

    bool ToStandardOutput() const { return out == QLatin1StringView(kStandardOutput); }
    bool CsvOptions() const { return iso || separator || decimal; }
    // Without --format, the extension decides; on the standard output, which has none, a CSV
    // option says it.
    bool WritesCsv() const {
        return csv.value_or(ToStandardOutput()
                                ? CsvOptions()
                                : out.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive));
    }
    CsvFormat Format() const {
        CsvFormat format = iso ? CsvFormat::Iso() : CsvFormat::Of(QLocale());
        format.separator = separator.value_or(format.separator);
        format.decimal = decimal.value_or(format.decimal);
        return format;
    }
};

// One character that can part CSV fields: not a letter, digit, quote or line end.
CommandOption SeparatorOption(std::optional<char>& separator) {
    return {"--separator", [&separator](ArgumentCursor& values) -> UsageProblem {
                const char* v = values.Take();
                const std::string_view c = v ? v : "";
                if (c == "\\t")
                    separator = '\t';
                else if (c.size() == 1 && std::ispunct(static_cast<unsigned char>(c[0])) &&
                         c[0] != '"')
                    separator = c[0];
                else
                    return UsageText(TextId::kCliSeparatorExpected);
                return std::nullopt;
            }};
}

CommandOption DecimalOption(std::optional<char>& decimal) {
    return {"--decimal", [&decimal](ArgumentCursor& values) -> UsageProblem {
                const char* v = values.Take();
                const std::string_view c = v ? v : "";
                if (c != "." && c != ",")
                    return UsageText(TextId::kCliDecimalExpected);
                decimal = c[0];
                return std::nullopt;
            }};
}

CommandOption FormatOption(std::optional<bool>& csv) {
    return {"--format", [&csv](ArgumentCursor& values) -> UsageProblem {
                const char* v = values.Take();
                const std::string_view name = v ? v : "";
                if (name != "csv" && name != "xlsx")
                    return UsageText(TextId::kCliExpectsEither,
                                     {QStringLiteral("--format"), QStringLiteral("csv"),
                                      QStringLiteral("xlsx")});
                csv = name == "csv";
                return std::nullopt;
            }};
}

// The usage error of arguments read whole, or none.
UsageProblem CheckArguments(const ExportArguments& args) {
    if (args.session.isEmpty())
        return UsageText(TextId::kCliMissingSessionFile);
    if (args.CsvOptions() && !args.WritesCsv())
        return UsageText(TextId::kCliCsvOptionsOnly);
    if (args.ToStandardOutput() && args.csv == false)
        return UsageText(TextId::kCliWorkbookNotToStdout);
    if (args.ToStandardOutput() && !args.WritesCsv())
        return UsageText(TextId::kCliStdoutNeedsCsv);
    if (args.WritesCsv() && args.Format().separator == args.Format().decimal)
        return UsageText(TextId::kCliSeparatorIsDecimal);
    return std::nullopt;
}

// Returns an exit status when the arguments are not usable or only help was asked for.
std::optional<int> Parse(int argc, char** argv, ExportArguments& args) {
    CommandLine line{
        "vexlo-cli export", ResourceString(TextId::kUsageExport).toStdString(), {}, {}};
    line.options.push_back(FlagOption("--force", args.force));
    line.options.push_back(FlagOption("--iso", args.iso));
    line.options.push_back(SeparatorOption(args.separator));
    line.options.push_back(DecimalOption(args.decimal));
    line.options.push_back(FormatOption(args.csv));
    line.other = [&args](std::string_view word) -> UsageProblem {
        QString& next = args.session.isEmpty() ? args.session : args.out;
        if (!next.isEmpty())
            return UsageText(TextId::kCliTooManyArguments);
        next = QString::fromLocal8Bit(word.data(), static_cast<qsizetype>(word.size()));
        return std::nullopt;
    };
    if (const std::optional<int> status = line.Parse(argc, argv, 2))
        return status;
    if (const UsageProblem problem = CheckArguments(args))
        return line.UsageError(*problem);
    return std::nullopt;
}

// As the desktop proposes it; a name with nothing safe left takes the session file's.
QString DefaultOutput(const CRecSession& session, const QString& sessionPath, bool csv) {
    QString name = DefaultExportFileName(session.SessionName());
    if (name == QStringLiteral(".xlsx"))
        name = QFileInfo(sessionPath).completeBaseName() + name;
    if (csv)
        name = QFileInfo(name).completeBaseName() + QStringLiteral(".csv");
    const AppFolders folders(AppFolders::SystemDocumentsFolder());
    return folders.DataFolder() + u'/' + name;
}

// Whether the workbook may take `path`, never the session read from `input`; an existing file
// is replaced only once the new one is whole.
Outcome MakeRoom(const QString& path, const QString& input, bool force) {
    if (!QFileInfo::exists(path))
        return Outcome::Success();
    if (const Outcome allowed = CommandFiles::CheckOutput(path, {input}, force); !allowed)
        return allowed;
    QFile existing(path);
    if (!existing.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly))
        return Outcome::Failure(OutcomeType::CannotWrite,
                                FormatResource(TextId::kCannotWrite, {path}));
    return Outcome::Success();
}

// Steps the job to its end, with a progress line for a user watching the terminal. An
// interrupt stops it between two steps; dropping the job then removes the unfinished file.
StepProgress RunJob(StepJob& job, const InterruptWatch& interrupt) {
    const bool showProgress = isatty(STDERR_FILENO) == 1;
    int shown = -1;
    for (;;) {
        if (interrupt.Pending()) {
            if (showProgress)
                std::fputc('\n', stderr);
            return {JobStateType::Failed, shown};
        }
        const StepProgress p = job.Step();
        if (showProgress && p.percent != shown) {
            shown = p.percent;
            std::fprintf(stderr, "\r%s : %3d %%",
                         SessionExportCommand::ProgressTitle().toLocal8Bit().constData(), shown);
        }
        if (p.state != JobStateType::Running) {
            if (showProgress)
                std::fputc('\n', stderr);
            return p;
        }
    }
}

// The rows go out as they are made; a consumer that stops reading ends the export.
int WriteCsvToStandardOutput(const CRecSession& session, CsvFormat format,
                             const InterruptWatch& interrupt) {
    CsvExportJob csv(session, QLatin1StringView(kStandardOutput), format);
    if (!csv.OpenStandardOutput())
        return Refuse(CliExit::kRefused, csv.FailureMessage());
    if (RunJob(csv, interrupt).state != JobStateType::Done)
        return csv.FailureMessage().isEmpty() ? CliExit::kInterrupted
                                              : Refuse(CliExit::kRefused, csv.FailureMessage());
    return CliExit::kDone;
}

} // namespace

namespace ExportCommand {

int Run(int argc, char** argv) {
    ExportArguments args;
    if (const auto status = Parse(argc, argv, args))
        return *status;

    UserSessionFile file;
    if (const Outcome read = file.Read(args.session); !read)
        return Refuse(CliExit::kRefused, read.message);
    CRecSession& session = file.session;
    // Once the session is read, and before the compressor threads start, which inherit the
    // held-back signals.
    const InterruptWatch interrupt;

    if (args.ToStandardOutput())
        return WriteCsvToStandardOutput(session, args.Format(), interrupt);
    const QString out = QDir::cleanPath(
        QFileInfo(args.out.isEmpty() ? DefaultOutput(session, args.session, args.WritesCsv())
                                     : args.out)
            .absoluteFilePath());
    if (const Outcome room = MakeRoom(out, args.session, args.force); !room)
        return Refuse(CliExit::kRefused, room.message);
    if (args.WritesCsv()) {
        CsvExportJob csv(session, out, args.Format());
        if (!csv.Open())
            return Refuse(CliExit::kRefused, csv.FailureMessage());
        if (RunJob(csv, interrupt).state != JobStateType::Done)
            return csv.FailureMessage().isEmpty() ? CliExit::kInterrupted
                                                  : Refuse(CliExit::kRefused, csv.FailureMessage());
        std::printf("%s\n", out.toLocal8Bit().constData());
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    CXLSData workbook;
    if (const Outcome opened = workbook.Open(out); !opened)
        return Refuse(CliExit::kRefused, opened.message);
    SessionExportJob job(session, workbook);
    if (RunJob(job, interrupt).state != JobStateType::Done)
        return job.FailureMessage().isEmpty() ? CliExit::kInterrupted
                                              : Refuse(CliExit::kRefused, job.FailureMessage());
    std::printf("%s\n", out.toLocal8Bit().constData());
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace ExportCommand
