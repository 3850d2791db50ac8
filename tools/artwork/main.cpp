// Paints the pictures named on its command line (or every one with --all), each shown one also
// at twice its size (name@2x.png), and brings the resource lists that compile them in up to
// date. Run from the source tree's root:
//   QT_QPA_PLATFORM=offscreen build/bin/artwork . b4.png
// Pictures not named are left as they are: painted on another machine (other fonts, another
// rasteriser) they would come out a few pixels different.
#include "pictures.h"
#include "pngwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>
#include <QSet>

#include <cstdio>

namespace {
QString doubled(const QString &name)
{
    const QFileInfo info(name);
    return info.completeBaseName() + QStringLiteral("@2x.") + info.suffix();
}

// Written only when its text changes, so that painting one picture leaves the lists alone.
bool writeResourceList(const QString &folder, const QString &fileName, const QString &prefix,
                       QStringList files)
{
    files.sort();
    QByteArray text = "<RCC>\n    <qresource prefix=\"" + prefix.toUtf8() + "\">\n";
    for (const QString &file : std::as_const(files))
        text += "        <file>" + file.toUtf8() + "</file>\n";
    text += "    </qresource>\n</RCC>\n";
    QFile qrc(folder + QLatin1Char('/') + fileName);
    if (qrc.open(QIODevice::ReadOnly) && qrc.readAll() == text)
        return true;
    qrc.close();
    return qrc.open(QIODevice::WriteOnly | QIODevice::Truncate) && qrc.write(text) == text.size();
}

bool paint(const Picture &picture, const QString &folder)
{
    QDir().mkpath(folder);
    for (int scale = 1; scale <= (picture.shown ? 2 : 1); ++scale) {
        const QString name = scale == 1 ? picture.name : doubled(picture.name);
        const QImage image = picture.render(scale);
        const QString path = folder + QLatin1Char('/') + name;
        const bool written = name.endsWith(QStringLiteral(".jpg"))
                                 ? image.save(path, "JPEG", 92)
                                 : writeUnfilteredPng(image, path);
        if (!written) {
            std::fprintf(stderr, "artwork: cannot write %s\n", qPrintable(path));
            return false;
        }
    }
    return true;
}

// Each program's Windows icon: one 48 x 48 image, 32 bits with alpha.
bool paintIcons(const QDir &root)
{
    for (const char *name : {"installer", "uninstaller", "launcher"}) {
        const QString program = QString::fromLatin1(name);
        const QString path =
            root.filePath(program + QLatin1Char('/') + program + QStringLiteral(".ico"));
        if (!programIcon().save(path, "ICO")) {
            std::fprintf(stderr, "artwork: cannot write %s\n", qPrintable(path));
            return false;
        }
    }
    return true;
}

int usage(const QList<Picture> &pictures)
{
    std::fprintf(stderr, "usage: artwork ROOT [--all] [--icons] [PICTURE...]\n(ROOT alone brings "
                         "the resource lists up to date)\npictures:");
    for (const Picture &picture : pictures)
        std::fprintf(stderr, " %s/%s", qPrintable(picture.folder), qPrintable(picture.name));
    std::fprintf(stderr, "\n");
    return 2;
}
} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    const QList<Picture> pictures = allPictures();
    if (arguments.isEmpty())
        return usage(pictures);
    const QDir root(arguments.takeFirst());
    const bool all = arguments.removeAll(QStringLiteral("--all")) > 0;
    const bool icons = arguments.removeAll(QStringLiteral("--icons")) > 0;

    // A name is a file name (b4.png) or, where both bundles hold one, folder/name.
    const QSet<QString> wanted(arguments.cbegin(), arguments.cend());
    QSet<QString> unknown = wanted;
    // Two resource lists a bundle, one resource tree to the program: the pictures the windows
    // show, and the rest (high-density twins, unused pictures). Kept apart, reading a shown
    // picture does not bring the rest of the bundle's bytes into memory.
    QMap<QString, QStringList> shown, more;
    for (const Picture &picture : pictures) {
        const QString folder = root.filePath(picture.folder);
        const QString longName = picture.folder + QLatin1Char('/') + picture.name;
        const bool named = wanted.contains(picture.name) || wanted.contains(longName);
        unknown.remove(picture.name);
        unknown.remove(longName);
        if ((all || named) && !paint(picture, folder))
            return 1;
        (picture.shown ? shown : more)[folder] << picture.name;
        if (picture.shown)
            more[folder] << doubled(picture.name);
    }
    if (!unknown.isEmpty()) {
        std::fprintf(stderr, "artwork: no picture named %s\n",
                     qPrintable(QStringList(unknown.cbegin(), unknown.cend()).join(u' ')));
        return usage(pictures);
    }
    if ((all || icons) && !paintIcons(root))
        return 1;
    for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
        const QString base = QFileInfo(it.key()).fileName();
        const QString prefix = QStringLiteral("/new/prefix1/") + base;
        if (!writeResourceList(it.key(), base + QStringLiteral(".qrc"), prefix, it.value())
            || !writeResourceList(it.key(), base + QStringLiteral("_more.qrc"), prefix,
                                  more.value(it.key()))) {
            std::fprintf(stderr, "artwork: cannot write the resource lists of %s\n",
                         qPrintable(it.key()));
            return 1;
        }
    }
    return 0;
}
