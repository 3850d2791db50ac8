#pragma once

#include "product.h"

#include <QString>

// The command lines the programs start, each built in one place. A command whose folder
// is unknown (empty) or holds a double quote or a % comes back empty: callers start nothing
// then.
namespace Commands {
QString killSplash();                                             // taskkill /IM loding.exe /F
QString runSetup(const QString &tmpFolder);                       // cmd /C ""<TMP>\setup.exe""
QString openFile(const QString &folder, const QString &name);     // cmd /C ""<folder>\<name>""
QString deleteFile(const QString &folder, const QString &name);   // cmd /C del /Q /F "..."
QString removeFolder(const QString &folder, const QString &name); // cmd /C rmdir /S /Q "..."
QString runSelfUpdater(const QString &path);                      // updateSelf.exe <path>
} // namespace Commands
