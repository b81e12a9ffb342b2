#pragma once

#include <QString>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The words of argv after a command, in order; an option takes its values from here.
class ArgumentCursor {
public:
    ArgumentCursor(int argc, char** argv, int first) : argc_(argc), argv_(argv), at_(first) {}

    // The next word, taken; null at the end. An option written "--name=value" takes the value
    // after '=' first.
    const char* Take();
    // The value written after '=' is the option's first.
    void HoldAttached(const char* value) { attached_ = value; }
    bool AttachedTaken() const { return attached_ == nullptr; }

private:
    int argc_;
    char** argv_;
    int at_;
    const char* attached_ = nullptr;
};

// The text of a usage error; none when the words were usable.
using UsageProblem = std::optional<std::string>;

// The interface text `id` (a TextId), as the command line's texts are held.
std::string UsageText(int id);
// The interface text `id` with its placeholders filled in by `args`, in order.
std::string UsageText(int id, std::initializer_list<QString> args);

struct CommandOption {
    std::string_view name;
    std::function<UsageProblem(ArgumentCursor& values)> read;
};

// One command's command line: its options, what it makes of the other words, its help.
// "--help" and "-h" belong to every command; an option's value may follow it as the next
// word or after '=', and "--" ends the options.
struct CommandLine {
    std::string caller; // "vexlo-cli COMMAND": before " : " in a usage error, and in its hint
    std::string usage;  // printed by --help, and after a usage error
    std::vector<CommandOption> options;
    // Every word that is not an option, nor one of an option's values.
    std::function<UsageProblem(std::string_view word)> other;

    // Reads argv from `first`: the exit status when the command ends here (0 after the help,
    // CliExit::kUsage after a usage error), none when it goes on.
    std::optional<int> Parse(int argc, char** argv, int first) const;
    // A usage error found once the words were read; returns CliExit::kUsage.
    int UsageError(std::string_view what) const;
    // The usage on standard output; returns CliExit::kDone.
    int Help() const;

private:
    const CommandOption* Find(std::string_view name) const;
    std::optional<int> ReadOption(std::string_view word, ArgumentCursor& words) const;
    // One line naming the option and where to look, not the whole usage.
    int UnknownOption(std::string_view name) const;
};

// "--help" or "-h".
bool IsHelpWord(std::string_view word);
// An option without a value that sets `flag`.
CommandOption FlagOption(std::string_view name, bool& flag);
// A folder the command writes into.
CommandOption FolderOption(std::string_view name, QString& folder);
// "--simulate MODEL": an emulated logger of model code 0 to 9 instead of the drives.
CommandOption SimulatedModelOption(int& model);
// A whole decimal number from `lowest` to `highest`, or none.
std::optional<int> ReadInteger(const char* text, int lowest, int highest);
// A number of seconds, 0 or more, as the user types numbers; none otherwise.
std::optional<double> ReadSeconds(const char* text);
