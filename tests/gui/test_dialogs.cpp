#include "core/app/AppFolders.h"
#include "core/app/OptionsModel.h"
#include "core/app/TraceColours.h"
#include "gui/app/QtUserInterface.h"
#include "gui/dialogs/CAlarmLimitsDlg.h"
#include "gui/dialogs/CEditSessionParams.h"
#include "gui/dialogs/CToolsOptions.h"
#include "gui/dialogs/CVXTraceColorsDlg.h"
#include "gui/dialogs/ColourPalette.h"
#include "gui/dialogs/PickerValues.h"
#include "support/MemorySettingsStore.h"
#include "support/SessionTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

using F = SessionParamsFieldType;

template <typename T> T& Child(const QObject& parent, const QString& name) {
    T* child = parent.findChild<T*>(name);
    if (!child) {
        ADD_FAILURE() << "no widget named " << name.toStdString();
        std::abort();
    }
    return *child;
}

bool Shown(const QWidget& dialog, const QString& name) {
    return Child<QWidget>(dialog, name).isVisibleTo(&dialog);
}

void Click(const QObject& parent, const QString& name) {
    Child<QAbstractButton>(parent, name).click();
}

// Acts on the modal window a blocking call is about to wait on.
template <typename T> void WhenModal(std::function<void(T&)> act, int delayMs = 0) {
    QTimer::singleShot(delayMs, [act] {
        T* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!window) {
            ADD_FAILURE() << "no modal window of the expected type";
            std::abort();
        }
        act(*window);
    });
}

QPushButton* ButtonWithText(const QWidget& window, const QString& text) {
    for (QPushButton* button : window.findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

QColor SwatchColour(const QToolButton& button) {
    return button.icon()
        .pixmap(kSwatchSize)
        .toImage()
        .pixelColor(kSwatchSize.width() / 2, kSwatchSize.height() / 2);
}

std::vector<int16_t> Ramp(int n) {
    std::vector<int16_t> v;
    for (int i = 0; i < n; ++i)
        v.push_back(static_cast<int16_t>(i * 3));
    return v;
}

std::unique_ptr<CRecSession> Voltage() {
    SessionImageBuilder b;
    b.Set("FilterSize", "3").Samples(Ramp(200));
    return ReadImage(b);
}

std::unique_ptr<CRecSession> Thermocouple(const char* letter) {
    SessionImageBuilder b;
    b.Set("Model", "8").Set("TC_Type", letter).Set("MaxCnt", "32768").Set("VRef", "1.25");
    b.PairSamples({{800, 15000}, {801, 15000}, {802, 15000}});
    return ReadImage(b);
}

std::unique_ptr<CRecSession> OfModel(const char* code) {
    SessionImageBuilder b;
    b.Set("Model", code).Samples(Ramp(50));
    return ReadImage(b);
}

TEST(SessionParamsDialog, ShowsOnlyTheControlsOfTheChannelKind) {
    const QStringList all = {QStringLiteral("tcGroup"),      QStringLiteral("cjc"),
                             QStringLiteral("scaleGroup"),   QStringLiteral("pulseNote"),
                             QStringLiteral("risingEvents"), QStringLiteral("filterGroup")};
    const struct {
        const char* what;
        std::unique_ptr<CRecSession> session;
        QStringList shown;
    } cases[] = {
        {"thermocouple",
         Thermocouple("K"),
         {QStringLiteral("tcGroup"), QStringLiteral("cjc"), QStringLiteral("filterGroup")}},
        {"voltage", Voltage(), {QStringLiteral("scaleGroup"), QStringLiteral("filterGroup")}},
        {"pulse", OfModel("5"), {QStringLiteral("scaleGroup"), QStringLiteral("pulseNote")}},
        {"events", OfModel("6"), {QStringLiteral("risingEvents")}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.session) << c.what;
        SessionParamsEditModel model(*c.session);
        CEditSessionParams dialog(model, {});
        dialog.show();
        for (const QString& name : all)
            EXPECT_EQ(Shown(dialog, name), c.shown.contains(name))
                << c.what << " " << name.toStdString();
    }

    const auto k = Thermocouple("K");
    SessionParamsEditModel kModel(*k);
    const CEditSessionParams kDialog(kModel, {});
    EXPECT_TRUE(Child<QRadioButton>(kDialog, QStringLiteral("tcK")).isChecked());

    const auto b = Thermocouple("B");
    ASSERT_TRUE(b);
    SessionParamsEditModel bModel(*b);
    const CEditSessionParams bDialog(bModel, {});
    for (const QRadioButton* button : bDialog.findChildren<QRadioButton*>())
        EXPECT_FALSE(button->isChecked()) << "type B has no button";

    const auto v = Voltage();
    SessionParamsEditModel vModel(*v);
    const CEditSessionParams vDialog(vModel, {});
    EXPECT_EQ(Child<QLabel>(vDialog, QStringLiteral("highScaleRange")).text(), u"10"_qs);
    EXPECT_EQ(Child<QComboBox>(vDialog, QStringLiteral("filterSize")).currentText(), u"3"_qs);
    EXPECT_EQ(Child<QTimeEdit>(vDialog, QStringLiteral("startTime")).time(), QTime(14, 7, 9));
    EXPECT_EQ(Child<QDateEdit>(vDialog, QStringLiteral("startDate")).date(), QDate(2024, 3, 5));
}

TEST(SessionParamsDialog, OkWritesTheControlsIntoTheModel) {
    const auto v = Voltage();
    SessionParamsEditModel model(*v);
    CEditSessionParams dialog(model, {});
    dialog.show();
    auto& name = Child<QLineEdit>(dialog, QStringLiteral("instrumentName"));
    name.setText(QString(90, u'x'));
    EXPECT_EQ(name.text().size(), SessionParamsEditModel::kTextLimit);
    name.setText(u"Chaudière"_qs);
    Child<QLineEdit>(dialog, QStringLiteral("footer")).setText(u"Page"_qs);
    Child<QPlainTextEdit>(dialog, QStringLiteral("comments")).setPlainText(u"vérifié"_qs);
    Child<QLineEdit>(dialog, QStringLiteral("highScale")).setText(u"50"_qs);
    Child<QLineEdit>(dialog, QStringLiteral("units")).setText(u"bar"_qs);
    Child<QComboBox>(dialog, QStringLiteral("filterSize")).setCurrentIndex(4);
    Child<QTimeEdit>(dialog, QStringLiteral("startTime")).setTime(QTime(15, 7, 9));
    Click(dialog, QStringLiteral("okButton"));

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    const SessionParamsValues r = model.Result();
    EXPECT_EQ(r.instrumentName, u"Chaudière"_qs);
    EXPECT_EQ(r.footer, u"Page"_qs);
    EXPECT_EQ(r.comments, u"vérifié"_qs);
    EXPECT_FLOAT_EQ(r.highScale, 50.0f);
    EXPECT_FLOAT_EQ(r.lowScale, 0.0f);
    EXPECT_EQ(r.units, u"bar"_qs);
    EXPECT_EQ(r.filterSize, 5);
    EXPECT_EQ(r.correctedStart, CalendarDateTime::FromFields(2024, 3, 5, 15, 7, 9));

    const auto t = Thermocouple("J");
    SessionParamsEditModel tcModel(*t);
    CEditSessionParams tcDialog(tcModel, {});
    Click(tcDialog, QStringLiteral("tcT"));
    Child<QCheckBox>(tcDialog, QStringLiteral("cjc")).setChecked(true);
    Click(tcDialog, QStringLiteral("okButton"));
    EXPECT_EQ(tcModel.Result().tcIndex, 2);
    EXPECT_TRUE(tcModel.Result().cjc);
}

TEST(SessionParamsDialog, RefusedValueKeepsTheDialogOpenOnItsField) {
    const auto v = Voltage();
    SessionParamsEditModel model(*v);
    CEditSessionParams dialog(model, {});
    dialog.show();
    auto& low = Child<QLineEdit>(dialog, QStringLiteral("lowScale"));
    low.setText(u"-200000"_qs);
    Click(dialog, QStringLiteral("okButton"));

    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_TRUE(dialog.LastProblem());
    EXPECT_EQ(dialog.LastProblem()->field, F::LowScale);
    EXPECT_EQ(dialog.focusWidget(), &low);
    auto& box = Child<QMessageBox>(dialog, QStringLiteral("problemBox"));
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.windowTitle(), u"Vexlo"_qs);
    EXPECT_EQ(box.text(), u"Entrez un nombre compris entre -100000 et 100000."_qs);
    box.buttons().first()->click();

    low.setText(u"-5"_qs);
    Click(dialog, QStringLiteral("okButton"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.LastProblem());
    EXPECT_FLOAT_EQ(model.Result().lowScale, -5.0f);
}

TEST(SessionParamsDialog, RunIsTrueOnlyOnOkAndHelpOpensItsTopic) {
    const auto v = Voltage();
    SessionParamsEditModel model(*v);
    std::vector<quint32> helpOpened;
    const auto openHelp = [&helpOpened](quint32 context) { helpOpened.push_back(context); };

    WhenModal<CEditSessionParams>([](CEditSessionParams& d) {
        Click(d, QStringLiteral("helpButton"));
        EXPECT_TRUE(d.isVisible());
        Click(d, QStringLiteral("okButton"));
    });
    EXPECT_TRUE(CEditSessionParams::Run(model, nullptr, openHelp));
    EXPECT_EQ(helpOpened, std::vector<quint32>{HelpContext::kSessionParamsDialog});

    WhenModal<CEditSessionParams>([](CEditSessionParams& d) {
        Child<QLineEdit>(d, QStringLiteral("location")).setText(u"Cave"_qs);
        Click(d, QStringLiteral("cancelButton"));
    });
    EXPECT_FALSE(CEditSessionParams::Run(model, nullptr, openHelp));
}

TEST(OptionsDialog, FirstRunStateAndWhatOkOrCancelKeep) {
    const MemorySettingsStore firstRun;
    OptionsModel model(DocumentOptions::Load(firstRun));
    CToolsOptions dialog(model, {});
    for (const QString& name : {QStringLiteral("checkFirmware"), QStringLiteral("checkSoftware"),
                                QStringLiteral("dashedOverload")})
        EXPECT_TRUE(Child<QCheckBox>(dialog, name).isChecked()) << name.toStdString();
    EXPECT_TRUE(Child<QRadioButton>(dialog, QStringLiteral("fahrenheit")).isChecked());
    EXPECT_FALSE(Child<QRadioButton>(dialog, QStringLiteral("celsius")).isChecked());

    Child<QCheckBox>(dialog, QStringLiteral("checkSoftware")).setChecked(false);
    Click(dialog, QStringLiteral("celsius"));
    Click(dialog, QStringLiteral("cancelButton"));
    EXPECT_TRUE(model.CheckSoftware());
    EXPECT_EQ(model.TemperatureUnitIndex(), 1);

    CToolsOptions again(model, {});
    Child<QCheckBox>(again, QStringLiteral("checkSoftware")).setChecked(false);
    Click(again, QStringLiteral("celsius"));
    Click(again, QStringLiteral("okButton"));
    EXPECT_TRUE(model.CheckFirmware());
    EXPECT_FALSE(model.CheckSoftware());
    EXPECT_TRUE(model.DashedOverload());
    EXPECT_EQ(model.TemperatureUnitIndex(), 0);
}

TEST(OptionsDialog, TheRawDumpBoxStartsOffAndOkKeepsIt) {
    OptionsModel model(DocumentOptions{});
    CToolsOptions dialog(model, {});
    QCheckBox& box = Child<QCheckBox>(dialog, QStringLiteral("saveRawDump"));
    EXPECT_FALSE(box.isChecked());
    EXPECT_TRUE(box.text().contains(u".vxdump"_qs));
    box.setChecked(true);
    Click(dialog, QStringLiteral("okButton"));
    EXPECT_TRUE(model.SaveRawDump());
}

TEST(OptionsDialog, ARefusedActivationKeepsTheDialogOpenOnItsBox) {
    OptionsModel model(DocumentOptions{});
    CToolsOptions dialog(model, {});
    dialog.show();
    QLineEdit& box = Child<QLineEdit>(dialog, QStringLiteral("mktActivation"));
    EXPECT_EQ(box.text(), u"10000"_qs);
    box.setText(u"999"_qs);
    Click(dialog, QStringLiteral("okButton"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.focusWidget(), &box);
    auto& problem = Child<QMessageBox>(dialog, QStringLiteral("problemBox"));
    EXPECT_TRUE(problem.text().contains(u"entre 1000 et 100000"_qs));
    problem.buttons().first()->click();

    box.setText(u"1000"_qs);
    Click(dialog, QStringLiteral("okButton"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(model.MktActivationText(), u"1000"_qs);
}

TEST(AlarmLimitsDialog, ShowsTheLimitsInTheUnitAndOkAppliesThemOrSaysWhy) {
    SessionImageBuilder b;
    b.Set("Model", "7").Set("MaxCnt", "4096").Set("RTDRef", "4750").Set("RTDNom", "1000");
    auto session = ReadImage(b.Samples(std::vector<int16_t>(20, 2000)));
    ASSERT_TRUE(session);
    SessionFigures figures;
    figures.limits.high = 8.5;
    session->SetFigures(figures);
    AlarmLimitsEditModel model(*session);
    CAlarmLimitsDlg dialog(model, {});
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), u"Limites d’alarme"_qs);
    QLineEdit& low = Child<QLineEdit>(dialog, QStringLiteral("low"));
    QLineEdit& high = Child<QLineEdit>(dialog, QStringLiteral("high"));
    EXPECT_EQ(low.text(), QString());
    EXPECT_EQ(high.text(), u"8,5"_qs);
    EXPECT_NE(dialog.findChild<QLabel*>(), nullptr);
    QCheckBox& mkt = Child<QCheckBox>(dialog, QStringLiteral("showMkt"));
    EXPECT_FALSE(mkt.isChecked());

    low.setText(u"9"_qs);
    Click(dialog, QStringLiteral("okButton"));
    EXPECT_TRUE(dialog.isVisible()) << "low above high";
    auto& problem = Child<QMessageBox>(dialog, QStringLiteral("problemBox"));
    EXPECT_EQ(problem.text(),
              u"La limite basse doit être inférieure ou égale à la limite haute."_qs);
    EXPECT_EQ(dialog.focusWidget(), &low);
    problem.buttons().first()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    high.setText(u"8,5 °C"_qs);
    Click(dialog, QStringLiteral("okButton"));
    EXPECT_EQ(dialog.focusWidget(), &high) << "the box whose text was refused";
    Child<QMessageBox>(dialog, QStringLiteral("problemBox")).buttons().first()->click();
    high.setText(u"8,5"_qs);

    low.setText(u"2"_qs);
    mkt.setChecked(true);
    Click(dialog, QStringLiteral("okButton"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(model.Result().limits, (AlarmLimits{2.0, 8.5}));
    EXPECT_TRUE(model.Result().showMkt);
}

TEST(ColoursDialog, ListsEveryEntryWithItsColour) {
    TraceColours colours;
    colours.voltage = MakeColorRef(0, 0, 255);
    TraceColorsDlgModel model(BuildColorChangeList(colours));
    CVXTraceColorsDlg dialog(model, {});
    dialog.resize(500, 300);
    dialog.show();

    auto& list = Child<QTreeWidget>(dialog, QStringLiteral("colourList"));
    ASSERT_EQ(list.topLevelItemCount(), model.Count());
    EXPECT_EQ(list.topLevelItem(3)->text(0), u"Fond de graphe"_qs);
    EXPECT_EQ(list.columnWidth(0), list.viewport()->width() * 80 / 100);
    EXPECT_EQ(SwatchColour(Child<QToolButton>(dialog, QStringLiteral("colour0"))),
              QColor(0, 0, 255));
    EXPECT_EQ(SwatchColour(Child<QToolButton>(dialog, QStringLiteral("colour2"))),
              QColor(255, 0, 0));
}

TEST(ColoursDialog, DefaultsThenCancelLeavesTheEntriesAlone) {
    TraceColours colours;
    colours.voltage = MakeColorRef(0, 0, 255);
    colours.graphBackground = MakeColorRef(255, 255, 0);
    const TraceColours before = colours;
    TraceColorsDlgModel model(BuildColorChangeList(colours));
    CVXTraceColorsDlg dialog(model, {});
    dialog.show();

    Click(dialog, QStringLiteral("defaultsButton"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(SwatchColour(Child<QToolButton>(dialog, QStringLiteral("colour0"))), QColor(0, 0, 0));
    EXPECT_EQ(SwatchColour(Child<QToolButton>(dialog, QStringLiteral("colour3"))),
              QColor(255, 255, 255));
    Click(dialog, QStringLiteral("cancelButton"));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(colours, before);
}

TEST(ColoursDialog, PaletteChoicesReachTheModel) {
    TraceColours colours;
    colours.other = MakeColorRef(0, 0, 255);
    TraceColorsDlgModel model(BuildColorChangeList(colours));
    CVXTraceColorsDlg dialog(model, {});
    dialog.show();
    const auto& palette = Child<ColourPalette>(dialog, QString());

    Click(dialog, QStringLiteral("colour2"));
    EXPECT_TRUE(palette.isVisible());
    Click(palette, QStringLiteral("automaticColour"));
    EXPECT_FALSE(palette.isVisible());
    EXPECT_FALSE(model.Choice(2)) << "the automatic choice";
    auto& other = Child<QToolButton>(dialog, QStringLiteral("colour2"));
    EXPECT_EQ(SwatchColour(other), QColor(255, 0, 0));
    EXPECT_EQ(other.toolTip(), u"Par défaut"_qs);

    Click(dialog, QStringLiteral("colour0"));
    QToolButton* green = nullptr;
    for (QToolButton* swatch : palette.findChildren<QToolButton*>())
        if (swatch->toolTip() == u"Vert"_qs)
            green = swatch;
    ASSERT_TRUE(green);
    green->click();
    EXPECT_EQ(model.Choice(0), MakeColorRef(0, 128, 0));
    EXPECT_EQ(model.Choice(2), std::nullopt) << "only the row that opened the palette changes";

    Click(dialog, QStringLiteral("okButton"));
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    model.Accept();
    EXPECT_EQ(colours.other, ColorRef(255)) << "the default stored";
    EXPECT_EQ(colours.voltage, MakeColorRef(0, 128, 0));
}

class CountedJob final : public StepJob {
public:
    // Ends with `last` at step `steps`; never when `steps` is 0.
    CountedJob(int steps, JobStateType last) : steps_(steps), last_(last) {}
    StepProgress Step() override {
        ++done_;
        if (done_ == steps_)
            return {last_, 100};
        return {JobStateType::Running, steps_ ? done_ * 100 / steps_ : done_ % 100};
    }
    int Done() const { return done_; }

private:
    int steps_;
    JobStateType last_;
    int done_ = 0;
};

TEST(QtUserInterfaceDialogs, ModalJobRunsUntilItEnds) {
    QtUserInterface ui;
    CountedJob finishing(25, JobStateType::Done);
    EXPECT_EQ(ui.RunModalJob(finishing, u"Téléchargement"_qs), JobEndType::Done);
    EXPECT_EQ(finishing.Done(), 25);

    CountedJob failing(3, JobStateType::Failed);
    EXPECT_EQ(ui.RunModalJob(failing, u"Téléchargement"_qs), JobEndType::Failed);
    EXPECT_EQ(failing.Done(), 3);

    QCoreApplication::processEvents();
    EXPECT_EQ(finishing.Done(), 25) << "nothing steps a job after its end";
    EXPECT_EQ(failing.Done(), 3);
}

TEST(QtUserInterfaceDialogs, CancelStopsTheJobAtOnce) {
    QtUserInterface ui;
    CountedJob endless(0, JobStateType::Done);
    int stepsAtCancel = -1;
    WhenModal<QProgressDialog>(
        [&](QProgressDialog& progress) {
            EXPECT_EQ(progress.windowTitle(), u"Effacement"_qs);
            // On a loaded machine the window may come up before the first step ran.
            for (int i = 0; i < 1000 && endless.Done() == 0; ++i)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            stepsAtCancel = endless.Done();
            QPushButton* cancel = ButtonWithText(progress, u"Annuler"_qs);
            ASSERT_TRUE(cancel);
            cancel->click();
        },
        30);
    EXPECT_EQ(ui.RunModalJob(endless, u"Effacement"_qs), JobEndType::Cancelled);
    EXPECT_GT(stepsAtCancel, 0);
    EXPECT_EQ(endless.Done(), stepsAtCancel);
    QCoreApplication::processEvents();
    EXPECT_EQ(endless.Done(), stepsAtCancel);
}

TEST(QtUserInterfaceDialogs, QuestionsAnswerWithTheButtonPressed) {
    QtUserInterface ui;
    const auto press = [](const QString& text) {
        WhenModal<QMessageBox>([text](QMessageBox& box) {
            EXPECT_EQ(box.windowTitle(), u"Vexlo"_qs);
            QPushButton* button = ButtonWithText(box, text);
            ASSERT_TRUE(button) << text.toStdString();
            button->click();
        });
    };
    const auto escape = [] {
        WhenModal<QMessageBox>([](QMessageBox& box) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&box, &key);
        });
    };

    press(u"Sélectionner un autre fichier"_qs);
    EXPECT_EQ(ui.AskFileExists(u"existe"_qs), FileExistsChoiceType::SelectOther);
    press(u"Remplacer"_qs);
    EXPECT_EQ(ui.AskFileExists(u"existe"_qs), FileExistsChoiceType::Replace);
    escape();
    EXPECT_EQ(ui.AskFileExists(u"existe"_qs), FileExistsChoiceType::Cancel);

    press(u"Non"_qs);
    EXPECT_EQ(ui.AskYesNoCancel(u"Enregistrer?"_qs), AnswerType::No);
    escape();
    EXPECT_EQ(ui.AskYesNoCancel(u"Enregistrer?"_qs), AnswerType::Cancel);
    // The recording and erase questions: exactly "Oui" and "Non".
    WhenModal<QMessageBox>([](QMessageBox& box) {
        QStringList texts;
        for (const QAbstractButton* button : box.buttons())
            texts << button->text();
        texts.sort();
        EXPECT_EQ(texts, (QStringList{u"Non"_qs, u"Oui"_qs}));
        ButtonWithText(box, u"Oui"_qs)->click();
    });
    EXPECT_TRUE(ui.AskYesNo(u"Effacer?"_qs));
    press(u"OK"_qs);
    EXPECT_TRUE(ui.AskOkCancel(u"Continuer?"_qs));
    escape();
    EXPECT_FALSE(ui.AskOkCancel(u"Continuer?"_qs));
}

TEST(QtUserInterfaceDialogs, SavePathDialogOffersTheRequest) {
    const QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString folderPath = QDir(folder.path()).canonicalPath();
    QtUserInterface ui;
    WhenModal<QFileDialog>([&folderPath](QFileDialog& dialog) {
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog.windowTitle(), u"Enregistrer sous"_qs);
        EXPECT_TRUE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(dialog.nameFilters(), QStringList{u"Fichiers Vexlo (*.vx)"_qs});
        EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), folderPath);
        dialog.selectFile(u"essai"_qs);
        static_cast<QDialog&>(dialog).accept(); // QFileDialog hides its own accept()
    });
    const SavePathRequest request{folderPath + u"/Session 1.vx"_qs, folderPath,
                                  u"Fichiers Vexlo (*.vx)|*.vx||"_qs, u"vx"_qs};
    EXPECT_EQ(ui.AskSavePath(request), folderPath + u"/essai.vx"_qs) << "the default suffix added";

    WhenModal<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_TRUE(ui.AskSavePath(request).isEmpty());
}

TEST(QtUserInterfaceDialogs, FileFiltersInQtForm) {
    EXPECT_EQ(QtFileFilters(u"Fichiers Vexlo (*.vx)|*.vx||"_qs),
              QStringList{u"Fichiers Vexlo (*.vx)"_qs});
    EXPECT_EQ(QtFileFilters(u"Textes|*.txt;*.csv|Tous les fichiers (*.*)|*.*||"_qs),
              (QStringList{u"Textes (*.txt *.csv)"_qs, u"Tous les fichiers (*.*)"_qs}));
    EXPECT_TRUE(QtFileFilters(QString()).isEmpty());
}

} // namespace

// The pickers follow the interface's locale: French keeps its exact formats, and no locale
// drops the full year or the seconds.
TEST(PickerFormats, FollowTheInterfaceLocaleWithFullYearAndSeconds) {
    const QLocale before;
    const struct {
        QLocale locale;
        const char16_t* date;
        const char16_t* time;
    } cases[] = {{QLocale(QLocale::French, QLocale::France), u"dd/MM/yyyy", u"HH:mm:ss"},
                 {QLocale(QLocale::English, QLocale::UnitedStates), u"M/d/yyyy", u"h:mm:ss AP"},
                 {QLocale(QLocale::German, QLocale::Germany), u"dd.MM.yyyy", u"HH:mm:ss"}};
    for (const auto& c : cases) {
        QLocale::setDefault(c.locale);
        EXPECT_EQ(PickerDateFormat(), QString::fromUtf16(c.date)) << c.locale.name().toStdString();
        EXPECT_EQ(PickerTimeFormat(), QString::fromUtf16(c.time)) << c.locale.name().toStdString();
    }
    QLocale::setDefault(before);
}
