#pragma once

#include <cstdio>
#include <string_view>

// The exit statuses every vexlo-cli command keeps to; scripts rely on them.
namespace CliExit {
inline constexpr int kDone = 0;
inline constexpr int kDeclined = 1;      // the user answered no: nothing was sent
inline constexpr int kRefused = 2;       // a value or file the program refuses, a failed transfer
inline constexpr int kNotNow = 3;        // no logger, or its state forbids the command now
inline constexpr int kUsage = 64;        // the arguments are not usable
inline constexpr int kInterrupted = 130; // as a shell reports a command ended by Ctrl-C

// "`caller` : `what`", a blank line and `usage` on standard error; returns kUsage.
inline int UsageError(std::string_view caller, std::string_view what, const char* usage) {
    std::fprintf(stderr, "%.*s : %.*s\n\n%s", static_cast<int>(caller.size()), caller.data(),
                 static_cast<int>(what.size()), what.data(), usage);
    return kUsage;
}
} // namespace CliExit
