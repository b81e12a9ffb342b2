#include "gui/app/AppIcons.h"

QIcon AppIcon(const QString& name) {
    const QIcon own(QStringLiteral(":/icons/%1.svg").arg(name));
    // Pictures of our own making have no theme counterpart to look for.
    if (name.startsWith(QLatin1StringView("vexlo")))
        return own;
    return QIcon::fromTheme(name, own);
}

QString CommandIconName(CommandType command) {
    switch (command) {
    case CommandType::FileOpen:
        return QStringLiteral("document-open");
    case CommandType::FileClose:
        return QStringLiteral("document-close");
    case CommandType::FileSave:
        return QStringLiteral("document-save");
    case CommandType::FileSaveAs:
        return QStringLiteral("document-save-as");
    case CommandType::FilePrint:
        return QStringLiteral("document-print");
    case CommandType::FilePrintPreview:
        return QStringLiteral("document-print-preview");
    case CommandType::FileExport:
        return QStringLiteral("document-export");
    case CommandType::FileExit:
        return QStringLiteral("application-exit");
    case CommandType::EditSessionParams:
        return QString::fromUtf16(AppIconName::kEdit);
    case CommandType::ViewCustomise:
        return QString();
    case CommandType::ZoomTool:
        return QStringLiteral("zoom-select");
    case CommandType::ZoomIn:
        return QStringLiteral("zoom-in");
    case CommandType::ZoomOut:
        return QStringLiteral("zoom-out");
    case CommandType::ZoomAll:
        return QStringLiteral("zoom-fit-best");
    case CommandType::ZoomTo:
        return QStringLiteral("go-jump");
    case CommandType::Connect:
        return QStringLiteral("network-connect");
    case CommandType::Disconnect:
        return QStringLiteral("network-disconnect");
    case CommandType::Configure:
        return QStringLiteral("configure");
    case CommandType::Download:
        return QStringLiteral("go-down");
    case CommandType::SetClock:
        return QStringLiteral("preferences-system-time");
    case CommandType::StartRecording:
        return QStringLiteral("media-record");
    case CommandType::EraseMemory:
        return QStringLiteral("edit-clear");
    case CommandType::Colours:
        return QStringLiteral("preferences-desktop-color");
    case CommandType::Options:
        return QStringLiteral("preferences-system");
    case CommandType::Associate:
        return QStringLiteral("vexlo-associate");
    case CommandType::HelpTopics:
        return QStringLiteral("help-contents");
    case CommandType::Manual:
        return QStringLiteral("help-browser");
    case CommandType::FirmwareUpgrade:
        return QStringLiteral("system-software-update");
    case CommandType::About:
        return QStringLiteral("help-about");
    }
    return QString();
}
