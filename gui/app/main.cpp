// vexlo: the desktop control panel.
#include "app/CMainFrame.h"
#include "common/Clock.h"
#include "instrument/CInstrumentMonitor.h"
#include "instrument/CombinedDriveBackend.h"
#include "platform/PosixDriveBackend.h"
#include "platform/QtSettingsStore.h"
#include "session/CVexloDoc.h"
#include "sim/SimulatedDrive.h"

#include <QApplication>
#include <QCommandLineParser>

#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexlo"));
    QApplication::setOrganizationName(QStringLiteral("Marvane"));
    QApplication::setApplicationVersion(QStringLiteral("1.1.0000"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Panneau de commande des enregistreurs Vexlo"));
    parser.addHelpOption();
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Ajoute un enregistreur émulé (code de modèle 0 à 9, 8 par défaut)."),
        QStringLiteral("modèle"), QStringLiteral("8"));
    parser.addOption(simulate);
    parser.addPositionalArgument(QStringLiteral("fichier"), QStringLiteral("Session à ouvrir (.vx)"));
    parser.process(app);

    QtSettingsStore settings;
    const SystemClock clock;
    PosixDriveBackend realDrives;
    std::unique_ptr<SimulatedDrive> emulated;
    std::vector<DriveBackend*> sources{&realDrives};
    if (parser.isSet(simulate)) {
        LoggerSettings logger;
        logger.modelCode = std::clamp(parser.value(simulate).toInt(), 0, 9);
        emulated = std::make_unique<SimulatedDrive>(clock, logger);
        sources.push_back(emulated.get());
    }
    CombinedDriveBackend drives(sources);
    CVexloDoc doc(settings, drives, clock);

    CMainFrame frame(doc);
    frame.show();
    // Connect at once, as plugging a logger in would.
    doc.Monitor().Connect();
    return QApplication::exec();
}
