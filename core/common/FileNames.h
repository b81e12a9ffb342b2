#pragma once

#include <QString>

// Paths use "/" as separator.
void MakeSafeName(QString& text);
QString NextFreeFileName(const QString& path);
QString UniqueFileName(const QString& path);
QString AppendNameNumber(const QString& name, unsigned lowest);
QString StripExtension(const QString& path);
QString FileNameOfPath(const QString& path);
QString ParentFolder(const QString& path);
bool FolderExists(const QString& path);
