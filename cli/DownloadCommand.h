#pragma once

struct LoggerCommandContext;

// "Télécharger les données enregistrées": the core's download job, its parameter step
// answered from the options, the finished session file's path on standard output.
int RunDownloadCommand(const LoggerCommandContext& context);
// Session name and location the parameters editor would refuse, before anything is read.
int CheckDownloadTexts(const LoggerCommandContext& context);
