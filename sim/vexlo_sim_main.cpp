// vexlo-sim: an emulated logger, as a folder kept up to date or as a mounted drive.
#include "core/app/AppIdentity.h"
#include "core/common/Clock.h"
#include "core/common/InterfaceLocale.h"
#include "core/common/StringTable.h"
#include "sim/DirectoryWatch.h"
#include "sim/FolderDrive.h"
#include "sim/LoggerEmulator.h"
#include "sim/SimulatedFaults.h"
#include "sim/StopSignals.h"
#ifdef VEXLO_HAVE_FUSE
#include "sim/FuseMount.h"
#endif

#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <string>
#include <string_view>
#include <sys/signalfd.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kUsageExit = 64;
constexpr int kRefreshMs = 250;

enum class ModeType { Serve, Mount };

struct Arguments {
    ModeType mode = ModeType::Serve;
    QString folder;
    LoggerSettings settings;
    DriveFaults driveFaults;
};

// The words after the folder, an option written "--name=value" as two words; the demo
// recording's hours only ever follow '='.
std::vector<std::string> OptionWords(int argc, char** argv) {
    std::vector<std::string> words;
    for (int i = 3; i < argc; ++i) {
        const std::string_view word = argv[i];
        const std::size_t equals = word.find('=');
        if (word.substr(0, 2) != "--" || equals == word.npos ||
            word.substr(0, equals) == "--demo-recording") {
            words.emplace_back(word);
            continue;
        }
        words.emplace_back(word.substr(0, equals));
        words.emplace_back(word.substr(equals + 1));
    }
    return words;
}

// Whether one of the arguments is one of `words`.
bool AsksFor(int argc, char** argv, std::initializer_list<std::string_view> words) {
    for (int i = 1; i < argc; ++i)
        if (std::find(words.begin(), words.end(), argv[i]) != words.end())
            return true;
    return false;
}

std::optional<Arguments> Parse(int argc, char** argv) {
    if (argc < 3)
        return std::nullopt;
    Arguments a;
    if (std::strcmp(argv[1], "mount") == 0)
        a.mode = ModeType::Mount;
    else if (std::strcmp(argv[1], "serve") != 0)
        return std::nullopt;
    a.folder = QString::fromLocal8Bit(argv[2]);
    SimulatedFaults faults;
    const std::vector<std::string> words = OptionWords(argc, argv);
    const int count = static_cast<int>(words.size());
    for (int i = 0; i < count; i += 2) {
        const std::string& option = words[i];
        if (option == "--demo-recording") {
            a.settings.demoRecordingSeconds = kDemoRecordingSeconds;
            --i;
            continue;
        }
        if (option.rfind("--demo-recording=", 0) == 0) {
            const char* text = option.c_str() + 17;
            char* end = nullptr;
            const long hours = std::strtol(text, &end, 10);
            if (*text == '\0' || *end != '\0' || hours < 1 || hours > 10000)
                return std::nullopt;
            a.settings.demoRecordingSeconds = hours * 3600;
            --i;
            continue;
        }
        if (i + 1 >= count)
            return std::nullopt;
        const char* value = words[i + 1].c_str();
        char* end = nullptr;
        if (option == "--model") {
            const long model = std::strtol(value, &end, 10);
            if (*value == '\0' || *end != '\0' || model < 0 || model > 9)
                return std::nullopt;
            a.settings.modelCode = static_cast<int>(model);
        } else if (option == "--serial") {
            if (*value == '\0')
                return std::nullopt;
            a.settings.serialNumber = QString::fromLocal8Bit(value);
        } else if (option == "--speed") {
            const double speed = std::strtod(value, &end);
            if (*value == '\0' || *end != '\0' || !(speed > 0.0) || speed > 1e6)
                return std::nullopt;
            a.settings.speed = speed;
        } else if (option == "--fault" && a.mode == ModeType::Mount) {
            if (!AddFault(QString::fromLocal8Bit(value), faults))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    a.settings.faults = faults.logger;
    a.driveFaults = faults.drive;
    return a;
}

QString OutcomeSuffix(CommandOutcomeType outcome) {
    switch (outcome) {
    case CommandOutcomeType::Done:
        return QString();
    case CommandOutcomeType::Refused:
        return ResourceString(TextId::kSimCommandRefused);
    case CommandOutcomeType::Invalid:
        return ResourceString(TextId::kSimCommandInvalid);
    }
    return QString();
}

void PrintLine(std::FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", qPrintable(text));
    std::fflush(stream);
}

void PrintCommand(const ReceivedCommand& received) {
    PrintLine(stdout, FormatResource(TextId::kSimCommandReceived,
                                     {QString::asprintf("%02X", received.code),
                                      QString::fromLatin1(CommandName(received.code)),
                                      OutcomeSuffix(received.outcome)}));
}

// The emulated logger's line for whoever started it: its model, serial and place.
QString LoggerLine(int textId, const Arguments& args) {
    return FormatResource(textId, {QString::number(args.settings.modelCode),
                                   args.settings.serialNumber, args.folder});
}

int Serve(const Arguments& args) {
    const SystemClock clock;
    LoggerEmulator logger(clock, args.settings);
    FolderDrive drive(logger, args.folder);
    if (Outcome o = drive.Open(); !o) {
        std::fprintf(stderr, "%s\n", qPrintable(o.message));
        return EXIT_FAILURE;
    }
    Outcome watched;
    const auto watch = DirectoryWatch::Open(args.folder, &watched);
    if (!watch) {
        std::fprintf(stderr, "%s\n", qPrintable(watched.message));
        return EXIT_FAILURE;
    }
    const StopSignals stop;
    if (stop.Descriptor() < 0) {
        std::perror("signalfd");
        return EXIT_FAILURE;
    }
    PrintLine(stdout, LoggerLine(TextId::kSimServing, args));

    const QString control = DriveFileName(DriveFileType::Control);
    qint64 lastRefresh = clock.MonotonicMs();
    for (;;) {
        // A negative descriptor (the mailbox is a plain file in flash mode) is left out by poll.
        pollfd fds[3] = {{watch->Descriptor(), POLLIN, 0},
                         {stop.Descriptor(), POLLIN, 0},
                         {drive.MailboxDescriptor(), POLLIN, 0}};
        if (::poll(fds, 3, kRefreshMs) < 0 && errno != EINTR) {
            std::perror("poll");
            return EXIT_FAILURE;
        }
        if (fds[1].revents & POLLIN) {
            stop.Consume();
            break;
        }
        const bool fileWritten = (fds[0].revents & POLLIN) && watch->DrainFor(control);
        if (fileWritten || (fds[2].revents & POLLIN)) {
            while (const auto received = drive.ProcessControlFile())
                PrintCommand(*received);
        }
        if (clock.MonotonicMs() - lastRefresh >= kRefreshMs) {
            lastRefresh = clock.MonotonicMs();
            if (Outcome o = drive.Refresh(); !o)
                std::fprintf(stderr, "%s\n", qPrintable(o.message));
        }
    }
    PrintLine(stdout, ResourceString(TextId::kSimStopped));
    return EXIT_SUCCESS;
}

int MountDrive(const Arguments& args) {
#ifdef VEXLO_HAVE_FUSE
    const SystemClock clock;
    LoggerEmulator logger(clock, args.settings);
    const StopSignals stop;
    if (stop.Descriptor() < 0) {
        std::perror("signalfd");
        return EXIT_FAILURE;
    }
    PrintLine(stdout, LoggerLine(TextId::kSimMounted, args));
    const int status =
        RunFuseMount({args.folder, args.driveFaults, PrintCommand}, logger, clock, stop);
    PrintLine(stdout, ResourceString(TextId::kSimUnmounted));
    return status;
#else
    (void)args;
    PrintLine(stderr, ResourceString(TextId::kSimWithoutFuse));
    return EXIT_FAILURE;
#endif
}

} // namespace

int main(int argc, char** argv) {
    ApplyInterfaceLanguage(LocaleEnvironment::OfProcess(), LanguageChoiceType::Automatic);
    if (AsksFor(argc, argv, {"--help", "-h"})) {
        std::fputs(qPrintable(ResourceString(TextId::kSimUsage)), stdout);
        return EXIT_SUCCESS;
    }
    if (AsksFor(argc, argv, {"--version"})) {
        std::printf("vexlo-sim %s\n", qPrintable(AppIdentity::ProgramVersion()));
        return EXIT_SUCCESS;
    }
    const auto args = Parse(argc, argv);
    if (!args) {
        std::fputs(qPrintable(ResourceString(TextId::kSimUsage)), stderr);
        return kUsageExit;
    }
    return args->mode == ModeType::Mount ? MountDrive(*args) : Serve(*args);
}
