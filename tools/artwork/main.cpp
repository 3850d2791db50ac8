// Paints both image bundles, at their own size and at twice it (name@2x.png), and writes
// the resource lists that compile them in. Run from the source tree's root:
//   QT_QPA_PLATFORM=offscreen build/bin/artwork .
#include "pictures.h"
#include "pngwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>
#include <QTextStream>

#include <cstdio>

namespace {
QString doubled(const QString &name)
{
    const QFileInfo info(name);
    return info.completeBaseName() + QStringLiteral("@2x.") + info.suffix();
}

bool writeResourceList(const QString &folder, const QString &fileName, const QString &prefix,
                       const QStringList &files)
{
    QFile qrc(folder + QLatin1Char('/') + fileName);
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QTextStream out(&qrc);
    out << "<RCC>\n    <qresource prefix=\"" << prefix << "\">\n";
    for (const QString &file : files)
        out << "        <file>" << file << "</file>\n";
    out << "    </qresource>\n</RCC>\n";
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QDir root(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());

    // Two resource lists a bundle, one resource tree to the program: the pictures the windows
    // show, and the rest (high-density twins, unused pictures). Kept apart, reading a shown
    // picture does not bring the rest of the bundle's bytes into memory.
    QMap<QString, QStringList> shown, more;
    for (const Picture &picture : allPictures()) {
        const QString folder = root.filePath(picture.folder);
        QDir().mkpath(folder);
        for (int scale = 1; scale <= 2; ++scale) {
            const QString name = scale == 1 ? picture.name : doubled(picture.name);
            const QImage image = picture.render(scale);
            const QString path = folder + QLatin1Char('/') + name;
            const bool written = name.endsWith(QStringLiteral(".jpg"))
                                     ? image.save(path, "JPEG", 92)
                                     : writeUnfilteredPng(image, path);
            if (!written) {
                std::fprintf(stderr, "artwork: cannot write %s\n", qPrintable(name));
                return 1;
            }
            (picture.shown && scale == 1 ? shown : more)[folder] << name;
        }
    }
    // Each program's Windows icon: one 48 x 48 image, 32 bits with alpha.
    for (const char *name : {"installer", "uninstaller", "launcher"}) {
        const QString program = QString::fromLatin1(name);
        const QString path =
            root.filePath(program + QLatin1Char('/') + program + QStringLiteral(".ico"));
        if (!programIcon().save(path, "ICO")) {
            std::fprintf(stderr, "artwork: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    for (auto it = shown.begin(); it != shown.end(); ++it) {
        const QString base = QFileInfo(it.key()).fileName();
        const QString prefix = QStringLiteral("/new/prefix1/") + base;
        QStringList rest = more.value(it.key());
        it->sort();
        rest.sort();
        if (!writeResourceList(it.key(), base + QStringLiteral(".qrc"), prefix, *it)
            || !writeResourceList(it.key(), base + QStringLiteral("_more.qrc"), prefix, rest)) {
            std::fprintf(stderr, "artwork: cannot write the resource lists of %s\n",
                         qPrintable(it.key()));
            return 1;
        }
    }
    return 0;
}
