#include "cli/CommandLine.h"

#include "cli/ExitStatus.h"
#include "core/common/StringTable.h"
#include "core/common/UserNumber.h"

#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

// "-" alone is a file (a standard stream), not an option.
bool LooksLikeOption(std::string_view word) {
    return word.size() > 1 && word[0] == '-';
}

} // namespace

const char* ArgumentCursor::Take() {
    if (attached_) {
        const char* value = attached_;
        attached_ = nullptr;
        return value;
    }
    return at_ < argc_ ? argv_[at_++] : nullptr;
}

std::optional<int> CommandLine::Parse(int argc, char** argv, int first) const {
    ArgumentCursor words(argc, argv, first);
    bool optionsEnded = false;
    while (const char* taken = words.Take()) {
        const std::string_view word = taken;
        if (optionsEnded || !LooksLikeOption(word)) {
            if (const UsageProblem problem = other(word))
                return UsageError(*problem);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (IsHelpWord(word)) {
            return Help();
        } else if (const std::optional<int> status = ReadOption(word, words)) {
            return status;
        }
    }
    return std::nullopt;
}

std::optional<int> CommandLine::ReadOption(std::string_view word, ArgumentCursor& words) const {
    const std::size_t equals = word.substr(0, 2) == "--" ? word.find('=') : word.npos;
    const std::string_view name = word.substr(0, equals);
    const CommandOption* option = Find(name);
    if (!option)
        return UnknownOption(name);
    if (equals != word.npos)
        words.HoldAttached(word.data() + equals + 1);
    if (const UsageProblem problem = option->read(words))
        return UsageError(*problem);
    if (!words.AttachedTaken())
        return UsageError(UsageText(TextId::kCliTakesNoValue, {QString::fromUtf8(name)}));
    return std::nullopt;
}

const CommandOption* CommandLine::Find(std::string_view name) const {
    for (const CommandOption& option : options)
        if (option.name == name)
            return &option;
    return nullptr;
}

int CommandLine::UsageError(std::string_view what) const {
    return CliExit::UsageError(caller, what, usage.c_str());
}

int CommandLine::Help() const {
    std::fputs(usage.c_str(), stdout);
    return CliExit::kDone;
}

int CommandLine::UnknownOption(std::string_view name) const {
    const QString command = QString::fromStdString(caller);
    std::fprintf(
        stderr, "%s\n",
        UsageText(TextId::kCliUnknownOption, {command, QString::fromUtf8(name), command}).c_str());
    return CliExit::kUsage;
}

std::string UsageText(int id) {
    return ResourceString(id).toStdString();
}

std::string UsageText(int id, std::initializer_list<QString> args) {
    return FormatResource(id, args).toStdString();
}

bool IsHelpWord(std::string_view word) {
    return word == "--help" || word == "-h";
}

CommandOption FlagOption(std::string_view name, bool& flag) {
    return {name, [&flag](ArgumentCursor&) {
                flag = true;
                return UsageProblem();
            }};
}

CommandOption FolderOption(std::string_view name, QString& folder) {
    return {name, [name, &folder](ArgumentCursor& values) -> UsageProblem {
                const char* v = values.Take();
                if (!v || !*v)
                    return UsageText(TextId::kCliFolderExpected, {QString::fromUtf8(name)});
                folder = QString::fromLocal8Bit(v);
                return std::nullopt;
            }};
}

CommandOption SimulatedModelOption(int& model) {
    return {"--simulate", [&model](ArgumentCursor& values) -> UsageProblem {
                const auto code = ReadInteger(values.Take(), 0, 9);
                if (!code)
                    return UsageText(TextId::kCliSimulateModel);
                model = *code;
                return std::nullopt;
            }};
}

std::optional<int> ReadInteger(const char* text, int lowest, int highest) {
    if (!text || !*text)
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (*end || errno != 0 || v < lowest || v > highest)
        return std::nullopt;
    return static_cast<int>(v);
}

std::optional<double> ReadSeconds(const char* text) {
    const std::optional<double> v =
        text ? ParseUserNumber(QString::fromLocal8Bit(text)) : std::nullopt;
    return v && *v >= 0 ? v : std::nullopt;
}
