// A scale typed in the configuration window, in the session parameters window and on
// vexlo-cli's command line is read by one rule: the same text gets the same answer everywhere.
#include "core/common/ValueFormat.h"
#include "core/instrument/ConfigurationModel.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/InstrumentPort.h"
#include "core/session/ModelTable.h"
#include "core/session/SessionParamsEditModel.h"
#include "sim/ManualClock.h"
#include "support/CliProcess.h"
#include "support/SessionTestSupport.h"
#include "support/SynchronousPort.h"

#include <QLocale>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int kVoltageModel = 2;

// A connected voltage logger with an empty memory, as the configuration window sees it.
class IdleVoltageLogger final : public SynchronousPort {
public:
    IdleVoltageLogger() {
        const QByteArray status = "Model=2\r\nMemSize=2048000\r\nMemUsed=0\r\nMemErase=0\r\n"
                                  "RecordingState=0\r\nTime=2024/03/05 14:07:09\r\n";
        const QByteArray config = "Chan1LowScale=00000000\r\nChan1HighScale=0000C842\r\n"
                                  "Chan1Units=V\r\nFilterSize=1\r\n";
        state_.connected = true;
        state_.status.ReadTexts(status.constData(), static_cast<int>(status.size()));
        state_.modelIndex = FindModelEntry(kVoltageModel, 0);
        state_.config.Read(config.constData(), static_cast<int>(config.size()), state_.modelIndex);
    }
    InstrumentState State() const override { return state_; }
    qint64 WriteControlBlock(const ControlBlock&) override { return ControlBlock::kSize; }
    bool LinkIdle() const override { return true; }
    qint64 LinkMemoryUsed() const override { return 0; }
    qint64 ReadRecord(char*, qint64, qint64) override { return 0; }
    void SetBusy(bool) override {}
    void ClearLiveData() override {}
    void ForgetLastStatus() override {}

private:
    InstrumentState state_;
};

// What each front end made of a typed high scale: its value, or none when refused.
std::optional<double> ConfigurationWindow(const QString& text) {
    IdleVoltageLogger port;
    const ManualClock clock{1709644029};
    ConfigurationModel model(port, clock);
    model.SetScaledHighText(text);
    const ConfigAcceptResult accepted = model.Accept();
    if (!accepted.sent) {
        EXPECT_EQ(accepted.message, u"Entrez un nombre compris entre -100000 et 100000."_qs);
        return std::nullopt;
    }
    return model.ScaledHigh();
}

std::optional<double> SessionParametersWindow(const QString& text) {
    SessionImageBuilder builder;
    builder.Set("Model", QByteArray::number(kVoltageModel));
    const std::unique_ptr<CRecSession> session = ReadImage(builder);
    EXPECT_TRUE(session);
    if (!session)
        return std::nullopt;
    SessionParamsEditModel editor(*session);
    editor.SetText(SessionParamsFieldType::HighScale, text);
    if (const std::optional<FieldProblem> problem = editor.Validate()) {
        EXPECT_EQ(problem->field, SessionParamsFieldType::HighScale);
        return std::nullopt;
    }
    return static_cast<double>(editor.Result().highScale);
}

struct CliAnswer {
    int status = -1;
    QString out;
    QString err;
};

// `vexlo-cli configure --simulate 2 --high TEXT` for every text at once: each waits for its
// emulated logger, not for the others.
std::vector<CliAnswer> CommandLine(const QStringList& texts, const QString& home) {
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const QString& text : texts) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(CliEnvironment({home}));
        p->start(QStringLiteral(VEXLO_CLI),
                 {u"configure"_qs, u"--simulate"_qs, u"2"_qs, u"--high"_qs, text});
        runs.push_back(std::move(p));
    }
    std::vector<CliAnswer> answers;
    for (const auto& p : runs) {
        p->waitForFinished(90000);
        answers.push_back({p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1,
                           QString::fromLocal8Bit(p->readAllStandardOutput()),
                           QString::fromLocal8Bit(p->readAllStandardError())});
    }
    return answers;
}

} // namespace

TEST(TypedNumbers, EveryWindowAndTheCommandLineGiveTheSameAnswer) {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    // Each text with the value every front end must take, or none for a refusal.
    const std::vector<std::pair<QString, std::optional<double>>> cases = {
        {u"12,5"_qs, 12.5},           {u"12.5"_qs, 12.5},
        {u" -7,25 "_qs, -7.25},       {u"+3"_qs, 3.0},
        {u"1e3"_qs, 1000.0},          {u"2,5E-1"_qs, 0.25},
        {u"100000"_qs, 100000.0},     {u"99999"_qs, 99999.0},
        {u"100001"_qs, std::nullopt}, {u"-100000"_qs, -100000.0},
        {u"-99999"_qs, -99999.0},     {u"-100001"_qs, std::nullopt},
        {u"1e5"_qs, 100000.0},        {u"100000,5"_qs, std::nullopt},
        {u"nan"_qs, std::nullopt},    {u"inf"_qs, std::nullopt},
        {u"-inf"_qs, std::nullopt},   {u"1e400"_qs, std::nullopt},
        {u""_qs, std::nullopt},       {u"douze"_qs, std::nullopt},
        {u"1 000"_qs, std::nullopt},  {u"1,2,3"_qs, std::nullopt},
        {u"12,5 V"_qs, std::nullopt}, {u"0x10"_qs, std::nullopt},
    };
    QStringList texts;
    for (const auto& c : cases)
        texts.append(c.first);
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const std::vector<CliAnswer> cli = CommandLine(texts, home.path());

    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [text, expected] = cases[i];
        SCOPED_TRACE("« " + text.toStdString() + " »");
        EXPECT_EQ(ConfigurationWindow(text), expected);
        // The session keeps a float, as the file does.
        const std::optional<double> session = SessionParametersWindow(text);
        ASSERT_EQ(session.has_value(), expected.has_value());
        if (expected) {
            EXPECT_FLOAT_EQ(static_cast<float>(*session), static_cast<float>(*expected));
        }

        const CliAnswer& r = cli[i];
        if (expected) {
            EXPECT_EQ(r.status, 0) << r.err.toStdString();
            // The high end closes the scale line, followed by the logger's units if any.
            const QString shown = u" = "_qs + FormatTrimmed(8, *expected);
            EXPECT_TRUE(r.out.contains(shown + u' ') || r.out.contains(shown + u'\n'))
                << r.out.toStdString();
        } else {
            // Not a number at all is a usage error; a number out of range is the window's refusal.
            EXPECT_TRUE(r.status == 64 || r.status == 2) << r.status;
            if (r.status == 2) {
                EXPECT_TRUE(r.err.contains(u"Entrez un nombre compris entre -100000 et 100000."_qs))
                    << r.err.toStdString();
            } else {
                EXPECT_TRUE(r.err.contains(u"--high attend un nombre"_qs)) << r.err.toStdString();
            }
        }
    }
}
