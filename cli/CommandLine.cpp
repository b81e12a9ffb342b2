#include "cli/CommandLine.h"

#include "cli/ExitStatus.h"
#include "core/common/UserNumber.h"

#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

std::optional<int> CommandLine::Parse(int argc, char** argv, int first) const {
    ArgumentCursor words(argc, argv, first);
    while (const char* taken = words.Take()) {
        const std::string_view word = taken;
        if (word == "--help" || word == "-h") {
            std::fputs(usage, stdout);
            return CliExit::kDone;
        }
        UsageProblem problem;
        bool known = false;
        for (const CommandOption& option : options) {
            if (option.name == word) {
                problem = option.read(words);
                known = true;
                break;
            }
        }
        if (!known)
            problem = other(word);
        if (problem)
            return UsageError(*problem);
    }
    return std::nullopt;
}

int CommandLine::UsageError(std::string_view what) const {
    return CliExit::UsageError(caller, what, usage);
}

CommandOption FlagOption(std::string_view name, bool& flag) {
    return {name, [&flag](ArgumentCursor&) {
                flag = true;
                return UsageProblem();
            }};
}

CommandOption SimulatedModelOption(int& model) {
    return {"--simulate", [&model](ArgumentCursor& values) -> UsageProblem {
                const auto code = ReadInteger(values.Take(), 0, 9);
                if (!code)
                    return "--simulate attend un code de modèle de 0 à 9";
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
