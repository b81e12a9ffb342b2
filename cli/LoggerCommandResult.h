#pragma once

#include "cli/ConsoleOutput.h"
#include "cli/ExitStatus.h"
#include "core/instrument/InstrumentCommands.h"

#include <QByteArray>
#include <QString>

class InstrumentConnection;
class TerminalUserInterface;
struct LoggerArguments;

// What one command works with: its arguments, the connected document, the terminal.
struct LoggerCommandContext {
    const LoggerArguments& args;
    InstrumentConnection& link;
    TerminalUserInterface& ui;
    // flash FILE: the Intel HEX text, read before the logger is looked for.
    const QByteArray& hexText;
};

// No logger answered in time, or the one found had a clock that stood still.
QString NoAnswerText(const InstrumentConnection& link, int seconds);
// Why a command is disabled now, in words; empty for CommandBlockerType::None.
QString BlockerText(CommandBlockerType blocker);
// Refuses with kNotNow when `blocker` is set.
int RefuseBlocked(CommandBlockerType blocker);
// The exit status of a command block sent or not, with its message; `sent` is printed on
// standard output when the block went out.
int ReportResult(CommandResultType result, const LoggerCommandContext& context, const QString& sent,
                 CommandBlockerType blockerNow);
