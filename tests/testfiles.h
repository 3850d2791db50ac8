#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QObject>

// Small helpers the suites share.

// Makes an empty file, and the folders above it.
inline void touch(const QString &file)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(file));
}

// A widget of a window's form, by its object name.
template<typename T>
T *child(QObject *window, const char *name)
{
    return window->findChild<T *>(QString::fromLatin1(name));
}
