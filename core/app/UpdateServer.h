#pragma once

#include "core/common/Outcome.h"

#include <QString>
#include <QUrl>

// An address the update check may contact, or the French text that says why it may not; a
// refused address is never contacted.
struct UpdateAddress {
    Outcome outcome;
    QUrl url; // empty when refused
};

// Only https is trusted across the network; plain http is allowed to this computer alone
// (127.0.0.0/8 and ::1 as the address parser writes them, and "localhost"), so that tests and
// local mirrors need no certificate. Addresses with user information are refused.
UpdateAddress DownloadAddress(const QString& address);

// The versions file under the server's base address (scheme, host, optional port and path
// prefix, without query or fragment), such as "https://host".
UpdateAddress VersionsFileAddress(const QString& serverBase);
