#include "cli/CommandUsage.h"

#include <array>
#include <utility>

namespace {

constexpr const char* kSimulate =
    "  --simulate MODÈLE   un instrument émulé (code de modèle 0 à 9) au lieu des lecteurs\n";

// What every command that talks to a logger shares.
constexpr const char* kLoggerNotes =
    "  --yes               répond oui aux questions (sans terminal, une question sans --yes\n"
    "                      refuse la commande)\n"
    "  --simulate MODÈLE   un instrument émulé (code de modèle 0 à 9) au lieu des lecteurs\n"
    "  --timeout S         attente de l’instrument, en secondes (10 par défaut)\n"
    "\n"
    "Statut de sortie : 0 fait, 1 refusé à la question, 2 valeur refusée ou échec,\n"
    "3 impossible maintenant (pas d’instrument, enregistrement, effacement, mémoire,\n"
    "pas de réponse possible), 64 erreur d’usage.\n";

constexpr const char* kJson =
    "  --json              un objet JSON sur la sortie standard : nombres JSON, unité à part,\n"
    "                      états en mots fixes (value, no_value, under_range, over_range,\n"
    "                      off) et heures ISO 8601 avec leur décalage, pareils dans toutes\n"
    "                      les langues, à côté des textes affichés (voir JSON.md, dans\n"
    "                      /usr/share/doc/vexlo, ou dans cli/ des sources)\n";

constexpr const char* kStandardInputNote =
    "  FICHIER.vx « - » lit la session sur l’entrée standard.\n";

using Entry = std::pair<std::string_view, std::array<const char*, 3>>;

// Each command: its own lines, then the notes it shares with others (or null).
constexpr std::array<Entry, 14> kCommands = {{
    {"info",
     {"usage : vexlo-cli info FICHIER.vx [--json]\n"
      "  En-tête, paramètres et durée de la session ; en JSON aussi start_iso et end_iso.\n",
      kJson, kStandardInputNote}},
    {"values",
     {"usage : vexlo-cli values FICHIER.vx [--json]\n"
      "  Chaque valeur de la session avec sa date, son heure et son texte ; en JSON\n"
      "  {\"unit\", \"values\": [{\"i\", \"t\", \"v\", \"state\", \"status\", \"iso\", "
      "\"text\"}]}.\n",
      kJson, kStandardInputNote}},
    {"stats",
     {"usage : vexlo-cli stats FICHIER.vx [--first N] [--last M] [--low X] [--high Y] [--json]\n"
      "  MIN, MAX, AVG, dernière valeur et total des valeurs de la session.\n"
      "  --first N, --last M première et dernière valeur de la fenêtre des statistiques\n"
      "  --low X, --high Y   limites d’alarme, dans l’unité de la session (sans elles, celles\n"
      "                      retenues pour l’instrument) : temps hors des limites,\n"
      "                      dépassements et, pour une température, TCM\n"
      "  En JSON, min_value… total_value (nombres dans unit) et min_status… total_status\n"
      "  à côté des textes min… total.\n",
      kJson, kStandardInputNote}},
    {"events",
     {"usage : vexlo-cli events FICHIER.vx [--json]\n"
      "  Événements d’une session d’événements ; en JSON aussi start_iso et length_s.\n",
      kJson, kStandardInputNote}},
    {"params",
     {"usage : vexlo-cli params FICHIER.vx [--json]\n"
      "  Liste des paramètres de la session.\n",
      kJson, kStandardInputNote}},
    {"plot",
     {"usage : vexlo-cli plot FICHIER.vx --out IMAGE.png|IMAGE.pdf [--width L] [--height H]\n"
      "                       [--from T] [--to T] [--cursor T] [--low X] [--high Y]\n"
      "                       [--describe] [--force] [--format png|pdf]\n"
      "        vexlo-cli plot A.vx B.vx … --out IMAGE.png\n"
      "  Graphique de tendance de la session, comme sa page ; plusieurs sessions de même unité\n"
      "  se superposent sur leurs heures.\n"
      "  --width L, --height H  taille en pixels, de 100 à 10000 (1200 × 600 par défaut)\n"
      "  --from T, --to T    fenêtre du graphique, en secondes depuis la première valeur\n"
      "  --cursor T          curseur placé T secondes après la première valeur\n"
      "  --low X, --high Y   limites d’alarme dessinées (une session seulement)\n"
      "  --describe          décrit ce qui a été dessiné (JSON), avec la ligne de la voie\n"
      "  --format png|pdf    le genre de l’image ; --out - l’écrit sur la sortie standard\n"
      "  --force             remplace IMAGE si elle existe déjà\n",
      nullptr, nullptr}},
    {"drives",
     {"usage : vexlo-cli drives [--json] [--simulate MODÈLE]\n"
      "  Lecteurs amovibles dans l’ordre de recherche, et l’instrument trouvé.\n",
      kJson, kSimulate}},
    {"status",
     {"usage : vexlo-cli status [--out PAGE.pdf [--force]] [--json] [--simulate MODÈLE]\n"
      "  Se connecte à l’instrument et affiche sa page d’état, ou l’imprime en PDF (deux\n"
      "  pages) avec --out ; --pdf, son ancien nom, reste accepté.\n"
      "  --force             remplace PAGE.pdf s’il existe déjà\n",
      kJson, kSimulate}},
    {"configure",
     {"usage : vexlo-cli configure [--now | --schedule DÉBUT FIN] [--duration DURÉE]\n"
      "                           [--low X] [--high Y] [--units U] [--tc J|K|T|N|E|R|S]\n"
      "                           [--cjc on|off] [--polarity rising|falling] [--filter 1..10]\n"
      "  Envoie les réglages nommés ; les autres restent ceux de l’instrument. --now démarre\n"
      "  l’enregistrement, --schedule le programme.\n"
      "  DÉBUT, FIN  \"AAAA/MM/JJ HH:MM:SS\", heure de l’instrument\n"
      "  DURÉE       1h 2h 4h 8h 12h 24h 48h 72h 1w 2w 3w 4w 5w 6w max (8h par défaut)\n",
      kLoggerNotes, nullptr}},
    {"record",
     {"usage : vexlo-cli record start|stop [--yes]\n"
      "  Démarre ou arrête l’enregistrement.\n",
      kLoggerNotes, nullptr}},
    {"clock",
     {"usage : vexlo-cli clock set [--sync | \"AAAA/MM/JJ HH:MM:SS\"]\n"
      "  Règle l’horloge de l’instrument à l’heure de l’ordinateur, à l’heure donnée, ou avec\n"
      "  --sync à la première seconde entière après la commande.\n",
      kLoggerNotes, nullptr}},
    {"erase",
     {"usage : vexlo-cli erase [--wait] [--yes]\n"
      "  Efface la mémoire de l’instrument ; --wait suit l’effacement jusqu’à sa fin.\n",
      kLoggerNotes, nullptr}},
    {"download",
     {"usage : vexlo-cli download [--out-dir DOSSIER] [--session-name NOM] [--location LIEU]\n"
      "                          [--raw-dump]\n"
      "  Télécharge l’enregistrement dans un fichier de session, dans DOSSIER ou dans le\n"
      "  dossier des données, et affiche son chemin ; avec --raw-dump, aussi son vidage brut\n"
      "  NOM.vxdump. --out, l’ancien nom de --out-dir, reste accepté.\n",
      kLoggerNotes, nullptr}},
    {"flash",
     {"usage : vexlo-cli flash FICHIER.hex | --latest [--server URL]\n"
      "  Programme le micrologiciel d’un fichier Intel HEX, ou le dernier que propose le\n"
      "  serveur de mise à jour.\n",
      kLoggerNotes, nullptr}},
}};

} // namespace

std::string CommandUsage(std::string_view command) {
    for (const auto& [name, parts] : kCommands) {
        if (name != command)
            continue;
        std::string usage;
        for (const char* part : parts)
            if (part)
                usage += part;
        return usage;
    }
    return {};
}
