#pragma once

// `vexlo-cli replay DUMP [--out-dir DOSSIER]`: the download a raw dump recorded, run again through
// the download's own steps over the dump's bytes, writing the same session file. Returns the
// exit status: 0 written, 2 a dump refused or a failed copy, 64 for arguments it cannot use.
namespace ReplayCommand {
int Run(int argc, char** argv);
} // namespace ReplayCommand
