#pragma once

#include <string>
#include <string_view>

// The help of one session, instrument or logger command, as `vexlo-cli COMMAND --help` prints
// it; empty for a word that names none of them.
std::string CommandUsage(std::string_view command);
