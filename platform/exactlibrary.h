#pragma once

#include <QString>

// One library file, loaded by exactly the path given. QLibrary would also try other names
// beside it (liborvixupdate.so when orvixupdate.so is missing, a haswell/ variant first);
// a library the program means by one name is that file or nothing. On Windows the DLLs it
// needs come from its own folder first, then from the system folder. Never unloaded.
class ExactLibrary
{
public:
    explicit ExactLibrary(const QString &file) : path(file) {}

    bool load();
    // The address the exported symbol names; null when it is missing or nothing is loaded.
    QFunctionPointer resolve(const char *symbol) const;
    QString errorString() const { return error; }

private:
    const QString path;
    void *handle = nullptr;
    QString error;
};
