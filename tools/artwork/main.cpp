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

bool writeResourceList(const QString &folder, const QStringList &files)
{
    const QString base = QFileInfo(folder).fileName();
    QFile qrc(folder + QLatin1Char('/') + base + QStringLiteral(".qrc"));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QTextStream out(&qrc);
    out << "<RCC>\n    <qresource prefix=\"/new/prefix1/" << base << "\">\n";
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

    QMap<QString, QStringList> bundles;
    for (const Picture &picture : allPictures()) {
        const QString folder = root.filePath(picture.folder);
        QDir().mkpath(folder);
        for (int scale = 1; scale <= 2; ++scale) {
            const QString name = scale == 1 ? picture.name : doubled(picture.name);
            const QImage image = picture.render(scale);
            const QString path = folder + QLatin1Char('/') + name;
            const bool written = name.endsWith(QStringLiteral(".jpg")) ? image.save(path, "JPEG", 92)
                                                                        : writeUnfilteredPng(image, path);
            if (!written) {
                std::fprintf(stderr, "artwork: cannot write %s\n", qPrintable(name));
                return 1;
            }
            bundles[folder] << name;
        }
    }
    // Each program's Windows icon: one 48 x 48 image, 32 bits with alpha.
    for (const char *name : {"installer", "uninstaller", "launcher"}) {
        const QString program = QString::fromLatin1(name);
        const QString path = root.filePath(program + QLatin1Char('/') + program + QStringLiteral(".ico"));
        if (!programIcon().save(path, "ICO")) {
            std::fprintf(stderr, "artwork: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    for (auto it = bundles.begin(); it != bundles.end(); ++it) {
        it->sort();
        if (!writeResourceList(it.key(), *it)) {
            std::fprintf(stderr, "artwork: cannot write the resource list of %s\n", qPrintable(it.key()));
            return 1;
        }
    }
    return 0;
}
