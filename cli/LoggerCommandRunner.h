#pragma once

#include <optional>

// vexlo-cli's commands that act on a logger: configure, record, clock, erase and download.
namespace LoggerCommandRunner {

// The exit status when argv names one of them; nothing when it names another command.
std::optional<int> Run(int argc, char** argv);

} // namespace LoggerCommandRunner
