#pragma once

// `vexlo-cli versions [--server URL] [--json]`: what the update server offers, read as the
// program's own check reads it. Returns the exit status: 0 read, 2 a refused address,
// 3 a server that could not be read or gave nothing usable, 64 for unusable arguments.
namespace VersionsCommand {
int Run(int argc, char** argv);
} // namespace VersionsCommand
