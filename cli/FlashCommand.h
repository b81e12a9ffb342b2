#pragma once

struct LoggerCommandContext;

// The firmware upgrade of the upgrade window, from an Intel HEX file or, with --latest, from
// the update server as "Mise à jour du micrologiciel" asks for it: the same steps, progress on
// the terminal, and Ctrl-C asking before it stops the programming.
int RunFlashCommand(const LoggerCommandContext& context);
