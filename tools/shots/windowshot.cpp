#include "windowshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

#include <cstdio>

bool saveWindowShot(QWidget *window, const QString &folder, const QString &name)
{
    window->show();
    QCoreApplication::processEvents();
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    const bool saved = window->grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    window->hide();
    return saved;
}
