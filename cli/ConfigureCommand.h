#pragma once

struct LoggerCommandContext;

// "Configurer l’instrument" with the options as the window's controls: bound to the core's
// configuration model, refused where the window would refuse, then its OK.
int RunConfigureCommand(const LoggerCommandContext& context);
