// vexlo: the desktop control panel.
#include "core/app/AppFolders.h"
#include "core/app/AppIdentity.h"
#include "core/app/BuildInfo.h"
#include "core/app/CustomisationReset.h"
#include "core/app/LeftoverExecutable.h"
#include "core/app/SettingsKeys.h"
#include "core/app/WebUpdate.h"
#include "core/common/Clock.h"
#include "core/common/InterfaceLocale.h"
#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "core/instrument/CombinedDriveBackend.h"
#include "core/instrument/FirmwareOffer.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/HelpLauncher.h"
#include "gui/app/QtUserInterface.h"
#include "gui/graph/GraphPalette.h"
#include "platform/PosixDriveBackend.h"
#include "platform/QtHttpClient.h"
#include "platform/QtSettingsStore.h"
#include "platform/SingleInstance.h"
#include "platform/XdgFileAssociation.h"
#include "sim/SimulatedDrive.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QStyle>
#include <QTranslator>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string_view>

namespace {

constexpr int kHandOverTimeoutMs = 1000;

struct CommandLine {
    QString file;
    std::optional<int> simulatedModel;
};

CommandLine ParseCommandLine(const QApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(ResourceString(TextId::kDesktopDescription));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"), ResourceString(TextId::kSimulateOptionHelp),
        ResourceString(TextId::kSimulateOptionValue), QStringLiteral("8"));
    parser.addOption(simulate);
    parser.addPositionalArgument(ResourceString(TextId::kFileArgument),
                                 ResourceString(TextId::kFileArgumentHelp));
    // The model is optional ("--simulate[=MODÈLE]"), which the parser cannot say: a bare
    // option takes the default model.
    QStringList arguments = app.arguments();
    for (qsizetype i = 1; i < arguments.size() && arguments[i] != u"--"; ++i) {
        if (arguments[i] == u"--simulate")
            arguments[i] = QStringLiteral("--simulate=8");
    }
    parser.process(arguments);

    CommandLine line;
    if (!parser.positionalArguments().isEmpty())
        // Another copy may be running elsewhere: it needs a path that does not depend on ours.
        line.file = QFileInfo(parser.positionalArguments().constFirst()).absoluteFilePath();
    if (parser.isSet(simulate))
        line.simulatedModel = std::clamp(parser.value(simulate).toInt(), 0, 9);
    return line;
}

// Whether one of the arguments is one of `words`.
bool AsksFor(int argc, char** argv, std::initializer_list<std::string_view> words) {
    for (int i = 1; i < argc; ++i)
        if (std::find(words.begin(), words.end(), argv[i]) != words.end())
            return true;
    return false;
}

// The toolkit aborts without a display; a named platform (offscreen, vnc...) needs none.
bool HasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The desktop's colour scheme reaches the program through its palette; VEXLO_THEME=dark or
// light imposes one where the desktop offers none (a bare X server, a test).
void ApplyThemeChoice() {
    const QString choice = qEnvironmentVariable("VEXLO_THEME").trimmed().toLower();
    if (choice != QLatin1String("dark") && choice != QLatin1String("light"))
        return;
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(
        choice == QLatin1String("dark") ? DarkPalette() : QApplication::style()->standardPalette());
}

} // namespace

int main(int argc, char** argv) {
    // The language is chosen once, before any text: the stored choice, or the desktop's.
    const QtSettingsStore storedChoice;
    ApplyInterfaceLanguage(LocaleEnvironment::OfProcess(),
                           LanguageChoiceOf(storedChoice.GetInt(
                               SettingsKeys::SettingsSection(), SettingsKeys::InterfaceLanguage(),
                               SettingsKeys::kInterfaceLanguageDefault)));
    // These answers come before the toolkit starts, so that they need no display.
    if (AsksFor(argc, argv, {"--help", "-h"})) {
        std::fputs(qPrintable(ResourceString(TextId::kDesktopUsage)), stdout);
        return 0;
    }
    if (AsksFor(argc, argv, {"--version"})) {
        std::printf("vexlo %s\n", qPrintable(AppIdentity::ProgramVersion()));
        return 0;
    }
    if (!HasDisplay()) {
        std::fprintf(stderr, "%s\n", qPrintable(ResourceString(TextId::kNeedsDisplay)));
        return 2;
    }
    // A write to a pipe whose reader went away (an emulated logger's mailbox, a browser
    // started for the help) fails instead of ending the program.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppIdentity::ApplicationName());
    QApplication::setOrganizationName(AppIdentity::CompanyKey());
    QApplication::setApplicationVersion(AppIdentity::ProgramVersion());
    // The desktop matches the windows to the installed entry and its icon by this name.
    QGuiApplication::setDesktopFileName(AppIdentity::ApplicationId());
    ApplyThemeChoice();
    // The toolkit's own dialogs speak the interface's language; its built-in texts are English.
    QTranslator toolkitTexts;
    if (CurrentInterfaceLanguage() == InterfaceLanguageType::French &&
        toolkitTexts.load(QStringLiteral("qtbase_fr"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitTexts);
    const CommandLine line = ParseCommandLine(app);

    SingleInstance instance;
    if (instance.TryHandOver(line.file, kHandOverTimeoutMs))
        return 0;

    const QString program = QCoreApplication::applicationFilePath();
    const XdgFileAssociation association(program);
    if (association.ShouldRegisterAtStart())
        association.Register();

    QtSettingsStore settings;
    const AppFolders folders(AppFolders::SystemDocumentsFolder(), OwnFolders::OfSystem());
    const SystemClock clock;
    PosixDriveBackend realDrives;
    std::unique_ptr<SimulatedDrive> emulated;
    std::vector<DriveBackend*> sources{&realDrives};
    if (line.simulatedModel) {
        emulated =
            std::make_unique<SimulatedDrive>(clock, DemoLoggerSettings(*line.simulatedModel));
        sources.push_back(emulated.get());
    }
    CombinedDriveBackend drives(sources);
    QtUserInterface ui;
    CVexloDoc doc(settings, drives, clock, ui);
    doc.SetDataFolder(folders.DataFolder());
    HelpLauncher help(InstalledHelpPath(QCoreApplication::applicationDirPath()),
                      folders.DownloadedHelpPath());
    help.KeepDownloadedFile([&settings] {
        return settings.GetInt(SettingsKeys::SettingsSection(), SettingsKeys::HelpVersion(),
                               SettingsKeys::kHelpVersionDefault) > 0;
    });
    QtHttpClient http;
    WebUpdate web(http, settings, ui,
                  BuildInfo::kSelfUpdate ? ProgramUpdateType::Replace
                                         : ProgramUpdateType::Announce);
    FirmwareOffer firmwareOffer(web, ui);

    CMainFrame frame(doc, folders, help);
    ui.SetParent(&frame);
    frame.SetWebUpdate(&web, &firmwareOffer);
    instance.Listen([&frame](const QString& path) { frame.ActivateFromOtherInstance(path); });
    frame.RestoreLayout(ApplyCustomisationReset(settings, AppIdentity::InterfaceLanguage()));
    RemoveLeftoverExecutable(program);

    frame.show();
    firmwareOffer.SetStartupFinished(true);
    // Look for a logger at once, as plugging one in would.
    doc.Monitor().Connect();
    if (!line.file.isEmpty())
        doc.OpenSessionFile(line.file, false);
    frame.StartProgramCheck(program, [&instance](const QString& path) {
        // The new copy is to run on its own, not hand its start over to this one.
        instance.StopListening();
        return QProcess::startDetached(path, {}, QFileInfo(path).absolutePath());
    });
    return QApplication::exec();
}
