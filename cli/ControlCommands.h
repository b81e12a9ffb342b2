#pragma once

struct LoggerCommandContext;

// The small instrument operations, each one command block sent through the core's own rules.
int RunRecordCommand(const LoggerCommandContext& context, bool start);
int RunClockCommand(const LoggerCommandContext& context);
int RunEraseCommand(const LoggerCommandContext& context);
