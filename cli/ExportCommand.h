#pragma once

// `vexlo-cli export FICHIER.vx [CLASSEUR.xlsx] [--force]`: the session written as the desktop
// program's export writes it. Returns the exit status: 0 written, 2 refused or failed,
// 64 for arguments it cannot use.
namespace ExportCommand {
int Run(int argc, char** argv);
} // namespace ExportCommand
