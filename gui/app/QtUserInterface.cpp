#include "gui/app/QtUserInterface.h"

#include "core/app/AppIdentity.h"
#include "core/common/StringTable.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <optional>
#include <vector>

QStringList QtFileFilters(const QString& pairedFilter) {
    const QStringList parts = pairedFilter.split(u'|', Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        filters.append(description.contains(u'(')
                           ? description
                           : QStringLiteral("%1 (%2)").arg(description, patterns));
    }
    return filters;
}

QtUserInterface::QtUserInterface(QWidget* parent) : parent_(parent) {}

void QtUserInterface::SetParent(QWidget* parent) {
    parent_ = parent;
}

int QtUserInterface::Ask(QMessageBox::Icon icon, const QString& text, const QStringList& buttons,
                         int defaultIndex) const {
    QMessageBox box(icon, AppIdentity::ApplicationName(), text, QMessageBox::NoButton, parent_);
    std::vector<QPushButton*> pushButtons;
    for (const QString& label : buttons)
        pushButtons.push_back(box.addButton(label, QMessageBox::ActionRole));
    box.setDefaultButton(pushButtons.at(static_cast<std::size_t>(defaultIndex)));
    box.setEscapeButton(pushButtons.back());
    box.exec();
    const auto it = std::find(pushButtons.begin(), pushButtons.end(), box.clickedButton());
    return it == pushButtons.end() ? int(buttons.size()) - 1 : int(it - pushButtons.begin());
}

void QtUserInterface::ShowMessage(const QString& text, MessageIconType icon) {
    const QMessageBox::Icon boxIcon = icon == MessageIconType::Error     ? QMessageBox::Critical
                                      : icon == MessageIconType::Warning ? QMessageBox::Warning
                                                                         : QMessageBox::Information;
    Ask(boxIcon, text, {ResourceString(TextId::kButtonOk)}, 0);
}

AnswerType QtUserInterface::AskYesNoCancel(const QString& text) {
    constexpr AnswerType kAnswers[] = {AnswerType::Yes, AnswerType::No, AnswerType::Cancel};
    const int pressed = Ask(QMessageBox::Question, text,
                            {ResourceString(TextId::kYes), ResourceString(TextId::kNoButton),
                             ResourceString(TextId::kServerWaitCancel)},
                            0);
    return kAnswers[pressed];
}

bool QtUserInterface::AskOkCancel(const QString& text) {
    return Ask(QMessageBox::Question, text,
               {ResourceString(TextId::kButtonOk), ResourceString(TextId::kServerWaitCancel)},
               0) == 0;
}

QString QtUserInterface::AskSavePath(const SavePathRequest& request) {
    QFileDialog dialog(parent_, ResourceString(TextId::kSaveAsTitle));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The core asks itself about a file that exists, with its own choices.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(QtFileFilters(request.filter));
    dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.folder.isEmpty())
        dialog.setDirectory(request.folder);
    dialog.selectFile(QFileInfo(request.proposal).fileName());
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

bool QtUserInterface::AskYesNo(const QString& text) {
    return Ask(QMessageBox::Question, text,
               {ResourceString(TextId::kYes), ResourceString(TextId::kNoButton)}, 0) == 0;
}

bool QtUserInterface::OpenExternally(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

FileExistsChoiceType QtUserInterface::AskFileExists(const QString& text) {
    constexpr FileExistsChoiceType kChoices[] = {FileExistsChoiceType::Replace,
                                                 FileExistsChoiceType::SelectOther,
                                                 FileExistsChoiceType::Cancel};
    // Enter picks another file rather than overwriting one.
    const int pressed =
        Ask(QMessageBox::Warning, text,
            {ResourceString(TextId::kReplaceFile), ResourceString(TextId::kSelectOtherFile),
             ResourceString(TextId::kServerWaitCancel)},
            1);
    return kChoices[pressed];
}

JobEndType QtUserInterface::RunModalJob(StepJob& job, const QString& title) {
    QProgressDialog progress(QString(), ResourceString(TextId::kServerWaitCancel), 0, 100, parent_);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(0);

    std::optional<JobEndType> end;
    QEventLoop loop;
    QTimer stepper;
    stepper.setInterval(0);
    const auto finish = [&](JobEndType how) {
        if (end)
            return;
        end = how;
        stepper.stop();
        loop.quit();
    };
    QObject::connect(&stepper, &QTimer::timeout, [&] {
        const StepProgress p = job.Step();
        if (p.state != JobStateType::Running) {
            finish(p.state == JobStateType::Done ? JobEndType::Done : JobEndType::Failed);
            return;
        }
        // A modal progress dialog handles events inside setValue(): "Annuler" may end it there.
        progress.setValue(std::clamp(p.percent, 0, 100));
    });
    QObject::connect(&progress, &QProgressDialog::canceled, [&] { finish(JobEndType::Cancelled); });
    QObject::connect(&progress, &QDialog::rejected, [&] { finish(JobEndType::Cancelled); });

    progress.show();
    stepper.start();
    loop.exec();
    return *end;
}
