#pragma once

#include <QString>

// An update renames the running executable to its own name with "~" appended before putting
// the new one in place; the old file can only go at the next start.
QString LeftoverExecutablePath(const QString& programPath);

enum class LeftoverRemovalType {
    NothingLeft, // no such file
    Removed,
    Failed, // still there; the next start tries again
};

LeftoverRemovalType RemoveLeftoverExecutable(const QString& programPath);
