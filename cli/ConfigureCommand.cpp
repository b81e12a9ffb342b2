#include "cli/ConfigureCommand.h"

#include "cli/InstrumentArguments.h"
#include "cli/InstrumentConnection.h"
#include "cli/LoggerCommandResult.h"
#include "core/common/StringTable.h"
#include "core/common/ValueFormat.h"
#include "core/instrument/ConfigurationModel.h"
#include "core/instrument/RecordingDurations.h"
#include "core/session/ModelTable.h"

#include <cstdio>

namespace {

// An option for a group of controls that the model's kind of channel does not show.
QString HiddenGroupProblem(const ConfigureRequest& r, const ConfigGroups& g, const QString& model) {
    if (r.TouchesScale() && !g.scale)
        return FormatResource(TextId::kCliNoScale, {model});
    if ((r.tcButton || r.cjc) && !g.thermocouple)
        return FormatResource(TextId::kCliNoThermocouple, {model});
    if (r.rising && !g.edge)
        return FormatResource(TextId::kCliNoEvents, {model});
    if (r.filterSize && !g.filter)
        return FormatResource(TextId::kCliNoFilter, {model});
    return QString();
}

void Bind(ConfigurationModel& m, const ConfigureRequest& r) {
    if (r.low)
        m.SetScaledLowText(*r.low);
    if (r.high)
        m.SetScaledHighText(*r.high);
    if (r.units)
        m.SetUnits(*r.units);
    if (r.tcButton)
        m.SetTcButton(*r.tcButton);
    if (r.cjc)
        m.SetColdJunction(*r.cjc);
    if (r.rising)
        m.SetRisingEdge(*r.rising);
    if (r.filterSize)
        m.SetFilterIndex(*r.filterSize - 1);
}

// "0 Vdc = -5 Bar", as the instrument page writes a scale line.
QString ScaleLine(const QString& input, const QString& inputUnit, double scaled,
                  const QString& units) {
    return QStringLiteral("%1 %2 = %3 %4")
        .arg(input, inputUnit, FormatTrimmed(8, scaled), units)
        .trimmed();
}

void PrintSummary(const ConfigurationModel& m, const QString& model, const QString& inputUnit) {
    PrintLine(FormatResource(TextId::kCliConfigurationSent, {model}));
    if (m.Groups().scale) {
        const QString units = m.Units().left(ConfigurationModel::kUnitsLimit);
        PrintLine(FormatResource(TextId::kCliScaleLine,
                                 {ScaleLine(m.InputLowText(), inputUnit, m.ScaledLow(), units),
                                  ScaleLine(m.InputHighText(), inputUnit, m.ScaledHigh(), units)}));
    }
    const QString memory =
        FormatResource(TextId::kCliMemoryLine, {m.MemoryNeededText(), m.TotalText()});
    switch (m.RecordMode()) {
    case RecordModeType::None:
        PrintLine(ResourceString(TextId::kCliNoRecordingScheduled));
        break;
    case RecordModeType::Now:
        PrintLine(FormatResource(TextId::kCliRecordingNow,
                                 {RecordingDurations::EntryText(m.DurationEntry()), memory}));
        break;
    case RecordModeType::Schedule:
        PrintLine(
            FormatResource(TextId::kCliRecordingScheduled,
                           {FormatDateTimeText(m.Start()), FormatDateTimeText(m.End()), memory}));
        break;
    }
}

} // namespace

int RunConfigureCommand(const LoggerCommandContext& c) {
    const InstrumentState state = c.link.State();
    if (const int refused = RefuseBlocked(ConfigureBlocker(state)))
        return refused;
    const ConfigureRequest& r = c.args.configure;
    ConfigurationModel model(c.link.Port(), c.link.ClockSource());
    const QString modelName = ModelDisplayName(state.status.ModelCode(), false, true);
    if (const QString problem = HiddenGroupProblem(r, model.Groups(), modelName);
        !problem.isEmpty())
        return Refuse(CliExit::kRefused, problem);
    Bind(model, r);
    if (r.mode != RecordModeType::None && !model.SetRecordMode(r.mode))
        return RefuseBlocked(CommandBlockerType::MemoryInUse);
    if (r.mode == RecordModeType::Now && r.durationEntry)
        model.SelectDuration(*r.durationEntry);
    if (r.mode == RecordModeType::Schedule) {
        model.SetStart(r.start);
        model.SetEnd(r.end);
    }
    if (model.MemorySign() == MemorySignType::Greater)
        return Refuse(CliExit::kRefused,
                      FormatResource(TextId::kCliMemoryTooSmall,
                                     {model.TotalText(), model.MemoryNeededText()}));
    if (!model.ClockText().isEmpty())
        std::fprintf(stderr, "%s\n", model.ClockText().toLocal8Bit().constData());
    QString problem;
    const ConfigAcceptResult accepted =
        model.Accept([&problem](const QString& text) { problem = text; });
    if (!accepted.sent)
        return Refuse(CliExit::kRefused, accepted.message.isEmpty()
                                             ? ResourceString(TextId::kCliConfigurationRefused)
                                             : accepted.message);
    c.link.PumpCommands();
    if (!problem.isEmpty())
        return Refuse(CliExit::kRefused, problem);
    PrintSummary(model, modelName, state.Model().UnitText().trimmed());
    return CliExit::kDone;
}
