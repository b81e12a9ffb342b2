#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The words of argv after a command, in order; an option takes its values from here.
class ArgumentCursor {
public:
    ArgumentCursor(int argc, char** argv, int first) : argc_(argc), argv_(argv), at_(first) {}

    // The next word, taken; null at the end.
    const char* Take() { return at_ < argc_ ? argv_[at_++] : nullptr; }

private:
    int argc_;
    char** argv_;
    int at_;
};

// The text of a usage error; none when the words were usable.
using UsageProblem = std::optional<std::string>;

struct CommandOption {
    std::string_view name;
    std::function<UsageProblem(ArgumentCursor& values)> read;
};

// One command's command line: its options, what it makes of the other words, its help.
// "--help" and "-h" belong to every command.
struct CommandLine {
    std::string_view caller; // before " : " in a usage error
    const char* usage;       // printed by --help, and after a usage error
    std::vector<CommandOption> options;
    // Every word that is not an option of the table, nor one of an option's values.
    std::function<UsageProblem(std::string_view word)> other;

    // Reads argv from `first`: the exit status when the command ends here (0 after the help,
    // CliExit::kUsage after a usage error), none when it goes on.
    std::optional<int> Parse(int argc, char** argv, int first) const;
    // A usage error found once the words were read; returns CliExit::kUsage.
    int UsageError(std::string_view what) const;
};

// An option without a value that sets `flag`.
CommandOption FlagOption(std::string_view name, bool& flag);
// "--simulate MODEL": an emulated logger of model code 0 to 9 instead of the drives.
CommandOption SimulatedModelOption(int& model);
// A whole decimal number from `lowest` to `highest`, or none.
std::optional<int> ReadInteger(const char* text, int lowest, int highest);
// A number of seconds, 0 or more, as the user types numbers; none otherwise.
std::optional<double> ReadSeconds(const char* text);
