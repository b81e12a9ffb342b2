#include "cli/InstrumentArguments.h"

#include "cli/ExitStatus.h"
#include "instrument/RecordingDurations.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kLongestTimeout = 600;

constexpr const char* kUsage =
    "usage :\n"
    "  vexlo-cli configure [--now | --schedule DÉBUT FIN] [--duration DURÉE]\n"
    "                      [--low X] [--high Y] [--units U] [--tc J|K|T|N|E|R|S] [--cjc on|off]\n"
    "                      [--polarity rising|falling] [--filter 1..10]\n"
    "  vexlo-cli record start|stop\n"
    "  vexlo-cli clock set [--sync | \"AAAA/MM/JJ HH:MM:SS\"]\n"
    "  vexlo-cli erase [--wait]\n"
    "  vexlo-cli download [--out DOSSIER] [--session-name NOM] [--location LIEU]\n"
    "\n"
    "  DÉBUT, FIN  \"AAAA/MM/JJ HH:MM:SS\", heure de l’instrument\n"
    "  DURÉE       1h 2h 4h 8h 12h 24h 48h 72h 1w 2w 3w 4w 5w 6w max (8h par défaut)\n"
    "  --yes       répond oui aux questions (sans terminal, une question sans --yes refuse\n"
    "              la commande)\n"
    "  --simulate MODÈLE   un instrument émulé (code de modèle 0 à 9) au lieu des lecteurs\n"
    "  --timeout S attente de l’instrument, en secondes (10 par défaut)\n"
    "\n"
    "Statut de sortie : 0 fait, 1 refusé à la question, 2 valeur refusée ou échec,\n"
    "3 impossible maintenant (pas d’instrument, enregistrement, effacement, mémoire,\n"
    "pas de réponse possible), 64 erreur d’usage.\n";

// "1h" ... "72h", "1w" ... "6w", "max", in the order of the "Durée:" list.
constexpr const char* kDurationNames[RecordingDurations::kEntryCount] = {
    "1h", "2h", "4h", "8h", "12h", "24h", "48h", "72h", "1w", "2w", "3w", "4w", "5w", "6w", "max"};

constexpr char kTcButtonLetters[] = "JKTNERS";

int UsageError(const std::string& what) {
    return CliExit::UsageError("vexlo-cli", what, kUsage);
}

std::optional<long> ParseInteger(const char* text) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || errno != 0)
        return std::nullopt;
    return v;
}

// "1.5" or, as a French user writes it, "1,5".
std::optional<double> ParseNumber(const char* text) {
    bool ok = false;
    const double v = QString::fromLocal8Bit(text).trimmed().replace(u',', u'.').toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

std::optional<CalendarDateTime> ParseDate(const char* text) {
    const CalendarDateTime t = ParseDateTimeText(QString::fromLocal8Bit(text));
    return t.valid ? std::optional<CalendarDateTime>(t) : std::nullopt;
}

std::optional<bool> ParseChoice(const char* text, const char* yes, const char* no) {
    if (!std::strcmp(text, yes))
        return true;
    if (!std::strcmp(text, no))
        return false;
    return std::nullopt;
}

// Walks argv after the command word; every option is checked against the command.
class Parser {
public:
    Parser(int argc, char** argv, LoggerArguments& args) : argc_(argc), argv_(argv), args_(args) {}

    std::optional<int> Run();

private:
    // The option's value, or null when argv ends (each option then says what it expects).
    const char* Value() { return at_ + 1 < argc_ ? argv_[++at_] : nullptr; }
    std::optional<int> Common(const std::string& a);
    std::optional<int> Configure(const std::string& a);
    std::optional<int> Download(const std::string& a);
    std::optional<int> CheckConfigure() const;

    int argc_;
    char** argv_;
    LoggerArguments& args_;
    int at_ = 1;
};

std::optional<int> Parser::Common(const std::string& a) {
    if (a == "--yes") {
        args_.yes = true;
    } else if (a == "--simulate") {
        const char* v = Value();
        const auto model = v ? ParseInteger(v) : std::nullopt;
        if (!model || *model < 0 || *model > 9)
            return UsageError("--simulate attend un code de modèle de 0 à 9");
        args_.simulatedModel = static_cast<int>(*model);
    } else if (a == "--timeout") {
        const char* v = Value();
        const auto seconds = v ? ParseInteger(v) : std::nullopt;
        if (!seconds || *seconds < 1 || *seconds > kLongestTimeout)
            return UsageError("--timeout attend un nombre de secondes de 1 à 600");
        args_.timeoutSeconds = static_cast<int>(*seconds);
    } else {
        return UsageError("option inconnue pour cette commande : " + a);
    }
    return std::nullopt;
}

std::optional<int> Parser::Configure(const std::string& a) {
    ConfigureRequest& c = args_.configure;
    if (a == "--now" || a == "--schedule") {
        if (c.mode != RecordModeType::None)
            return UsageError("--now et --schedule s’excluent");
        c.mode = a == "--now" ? RecordModeType::Now : RecordModeType::Schedule;
        if (c.mode == RecordModeType::Schedule) {
            const char* start = Value();
            const char* end = start ? Value() : nullptr;
            const auto s = start ? ParseDate(start) : std::nullopt;
            const auto e = end ? ParseDate(end) : std::nullopt;
            if (!s || !e)
                return UsageError("--schedule attend un début et une fin \"AAAA/MM/JJ HH:MM:SS\"");
            c.start = *s;
            c.end = *e;
        }
    } else if (a == "--duration") {
        const char* v = Value();
        if (!v)
            return UsageError("valeur manquante après --duration");
        for (int i = 0; i < RecordingDurations::kEntryCount; ++i)
            if (!std::strcmp(v, kDurationNames[i]))
                c.durationEntry = i;
        if (!c.durationEntry)
            return UsageError(std::string("durée inconnue : ") + v +
                              " (1h 2h 4h 8h 12h 24h 48h 72h 1w 2w 3w 4w 5w 6w max)");
    } else if (a == "--low" || a == "--high") {
        const char* v = Value();
        const auto number = v ? ParseNumber(v) : std::nullopt;
        if (!number)
            return UsageError(a + " attend un nombre");
        (a == "--low" ? c.low : c.high) = *number;
    } else if (a == "--units") {
        const char* v = Value();
        if (!v)
            return UsageError("valeur manquante après --units");
        c.units = QString::fromLocal8Bit(v);
    } else if (a == "--tc") {
        const char* v = Value();
        const char* letter =
            v && std::strlen(v) == 1 ? std::strchr(kTcButtonLetters, v[0]) : nullptr;
        if (!letter || !*letter)
            return UsageError("--tc attend un type de thermocouple parmi J K T N E R S");
        c.tcButton = static_cast<int>(letter - kTcButtonLetters);
    } else if (a == "--cjc") {
        const char* v = Value();
        c.cjc = v ? ParseChoice(v, "on", "off") : std::nullopt;
        if (!c.cjc)
            return UsageError("--cjc attend on ou off");
    } else if (a == "--polarity") {
        const char* v = Value();
        c.rising = v ? ParseChoice(v, "rising", "falling") : std::nullopt;
        if (!c.rising)
            return UsageError("--polarity attend rising ou falling");
    } else if (a == "--filter") {
        const char* v = Value();
        const auto size = v ? ParseInteger(v) : std::nullopt;
        if (!size || *size < 1 || *size > 10)
            return UsageError("--filter attend une taille de filtre de 1 à 10 points");
        c.filterSize = static_cast<int>(*size);
    } else {
        return Common(a);
    }
    return std::nullopt;
}

std::optional<int> Parser::Download(const std::string& a) {
    if (a == "--out") {
        const char* v = Value();
        if (!v || !*v)
            return UsageError("--out attend un dossier");
        args_.outFolder = QString::fromLocal8Bit(v);
    } else if (a == "--session-name" || a == "--location") {
        const char* v = Value();
        if (!v)
            return UsageError("valeur manquante après " + a);
        (a == "--location" ? args_.location : args_.sessionName) = QString::fromLocal8Bit(v);
    } else {
        return Common(a);
    }
    return std::nullopt;
}

std::optional<int> Parser::CheckConfigure() const {
    const ConfigureRequest& c = args_.configure;
    if (c.durationEntry && c.mode != RecordModeType::Now)
        return UsageError(
            c.mode == RecordModeType::Schedule
                ? "avec --schedule la fin donne la durée : --duration ne sert qu’à --now"
                : "--duration ne sert qu’avec --now");
    return std::nullopt;
}

std::optional<int> Parser::Run() {
    const std::string command = argv_[1];
    if (command == "record" || command == "clock") {
        const char* action = argc_ > 2 ? argv_[2] : "";
        if (command == "record" && !std::strcmp(action, "start"))
            args_.command = LoggerCommandType::RecordStart;
        else if (command == "record" && !std::strcmp(action, "stop"))
            args_.command = LoggerCommandType::RecordStop;
        else if (command == "clock" && !std::strcmp(action, "set"))
            args_.command = LoggerCommandType::ClockSet;
        else
            return UsageError(command == "record" ? "record attend start ou stop"
                                                  : "clock attend set");
        at_ = 2;
    } else {
        args_.command = command == "configure" ? LoggerCommandType::Configure
                        : command == "erase"   ? LoggerCommandType::Erase
                                               : LoggerCommandType::Download;
    }
    for (++at_; at_ < argc_; ++at_) {
        const std::string a = argv_[at_];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        std::optional<int> status;
        switch (args_.command) {
        case LoggerCommandType::Configure:
            status = Configure(a);
            break;
        case LoggerCommandType::Download:
            status = Download(a);
            break;
        case LoggerCommandType::Erase:
            if (a == "--wait")
                args_.waitForErase = true;
            else
                status = Common(a);
            break;
        case LoggerCommandType::ClockSet:
            if (a == "--sync") {
                args_.synchronise = true;
            } else if (a.rfind("--", 0) != 0 && !args_.clockTime) {
                args_.clockTime = ParseDate(a.c_str());
                if (!args_.clockTime)
                    return UsageError("clock set attend une heure \"AAAA/MM/JJ HH:MM:SS\"");
            } else {
                status = Common(a);
            }
            break;
        case LoggerCommandType::RecordStart:
        case LoggerCommandType::RecordStop:
            status = Common(a);
            break;
        }
        if (status)
            return status;
    }
    if (args_.synchronise && args_.clockTime)
        return UsageError("--sync et une heure donnée s’excluent");
    return args_.command == LoggerCommandType::Configure ? CheckConfigure() : std::nullopt;
}

} // namespace

bool IsLoggerCommand(const char* name) {
    return !std::strcmp(name, "configure") || !std::strcmp(name, "record") ||
           !std::strcmp(name, "clock") || !std::strcmp(name, "erase") ||
           !std::strcmp(name, "download");
}

std::variant<LoggerArguments, int> ParseLoggerArguments(int argc, char** argv) {
    LoggerArguments args;
    Parser parser(argc, argv, args);
    if (const std::optional<int> status = parser.Run())
        return *status;
    return args;
}
