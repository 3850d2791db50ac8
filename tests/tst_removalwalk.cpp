#include "commands.h"
#include "platform.h"
#include "removalwalk.h"
#include "testfiles.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

// The removal walk on real temporary trees.
class tst_RemovalWalk : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void removesEveryVisibleEntry();
    void hiddenEntriesStayWithTheirFolders();
    void emptyFoldersAboveStay();
    void neverFollowsLinks();
    void linkLoopsEnd();
#ifdef Q_OS_WIN
    void windowsLinksAreRemovedAsThemselves();
#else
    void unlistableFolderStays();
    void folderSwappedForALinkIsRemovedAsALink();
    void otherFileSystemsStay();
    void veryDeepTreeEndsCleanly();
#endif
    void whatAnotherRunRemovedIsNotReported();
    void cmdRemovalsInTheProgram();
    void deepTree();
    void manyFiles();

private:
    std::unique_ptr<QTemporaryDir> root;
    QString product;
    QString path(const QString &relative) const
    {
        return product + u"/"_s + relative;
    }
    static QStringList contents(const QString &folder);
};

namespace {
// What the listed hooks swap or remove: a folder of the product for a link to a folder outside.
QString swapIn, swapTarget;
bool swapped = false;
} // namespace

void tst_RemovalWalk::init()
{
    root = std::make_unique<QTemporaryDir>();
    product = root->filePath(u"Zelvane2.0"_s);
    QVERIFY(QDir().mkpath(product));
}

QStringList tst_RemovalWalk::contents(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next().mid(folder.size() + 1);
    found.sort();
    return found;
}

void tst_RemovalWalk::removesEveryVisibleEntry()
{
    for (const QString &file :
         QStringList{u"uninstaller"_s, u"readme with blanks.txt"_s, u"课程/数学/第一课.txt"_s,
                     u"课程/emoji 🐢🎨/pic.png"_s, u"Data/Upper.TXT"_s, u"data/lower.txt"_s,
                     u"empty/"_s, u"a/b/c/d/e/f.bin"_s}) {
        if (file.endsWith(u'/'))
            QVERIFY(QDir().mkpath(path(file)));
        else
            touch(path(file));
    }
    QFile readOnly(path(u"read only.dat"_s));
    touch(readOnly.fileName());
    QVERIFY(readOnly.setPermissions(QFile::ReadOwner));

    RemovalWalk::removeTree(product);
#ifdef Q_OS_WIN
    // Windows refuses to delete a read-only file: it stays, and so does its folder.
    QCOMPARE(contents(product), QStringList{u"read only.dat"_s});
#else
    QVERIFY2(!QFileInfo::exists(product), qPrintable(contents(product).join(u", "_s)));
    QCOMPARE(QDir(root->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
#endif
}

void tst_RemovalWalk::hiddenEntriesStayWithTheirFolders()
{
    touch(path(u"lessons/deep/.settings"_s));
    touch(path(u"lessons/deep/visible.txt"_s));
    touch(path(u"lessons/other.txt"_s));
    touch(path(u".hidden folder/inside.txt"_s));
    touch(path(u"paint/palette.txt"_s));
    markHidden(path(u"lessons/deep/.settings"_s));
    markHidden(path(u".hidden folder"_s));

    RemovalWalk::removeTree(product);
    QCOMPARE(contents(product),
             (QStringList{u".hidden folder"_s, u".hidden folder/inside.txt"_s, u"lessons"_s,
                          u"lessons/deep"_s, u"lessons/deep/.settings"_s}));
}

void tst_RemovalWalk::emptyFoldersAboveStay()
{
    // Only what lies inside is removed, however empty the folders above it become.
    const QString nested = root->filePath(u"vendor/games/Zelvane2.0"_s);
    touch(nested + u"/sub/file.txt"_s);
    RemovalWalk::removeTree(nested);
    QVERIFY(!QFileInfo::exists(nested));
    QVERIFY(QFileInfo(root->filePath(u"vendor/games"_s)).isDir());
}

void tst_RemovalWalk::neverFollowsLinks()
{
    const QString outside = root->filePath(u"outside"_s);
    touch(outside + u"/canary"_s);
    touch(outside + u"/sub/canary2"_s);
    touch(root->filePath(u"lonely file"_s));
    QVERIFY(QDir().mkpath(path(u"sub"_s)));
    QVERIFY(QFile::link(outside, path(u"link to folder"_s)));
    QVERIFY(QFile::link(outside + u"/sub"_s, path(u"sub/link to sub folder"_s)));
    QVERIFY(QFile::link(root->filePath(u"lonely file"_s), path(u"link to file"_s)));
    QVERIFY(QFile::link(root->filePath(u"nothing here"_s), path(u"broken link"_s)));
    touch(path(u"Zelvane儿童电脑操作系统2.0.lnk"_s));

    RemovalWalk::removeTree(product);
    QVERIFY2(!QFileInfo::exists(product), qPrintable(contents(product).join(u", "_s)));
    QCOMPARE(contents(outside), (QStringList{u"canary"_s, u"sub"_s, u"sub/canary2"_s}));
    QVERIFY(QFile::exists(root->filePath(u"lonely file"_s)));
}

void tst_RemovalWalk::linkLoopsEnd()
{
    touch(path(u"a/file"_s));
    QVERIFY(QFile::link(product, path(u"a/back to top"_s)));
    QVERIFY(QFile::link(path(u"a"_s), path(u"a/self"_s)));
    QVERIFY(QFile::link(path(u"y"_s), path(u"x"_s)));
    QVERIFY(QFile::link(path(u"x"_s), path(u"y"_s)));

    RemovalWalk::removeTree(product);
    QVERIFY2(!QFileInfo::exists(product), qPrintable(contents(product).join(u", "_s)));
}

#ifdef Q_OS_WIN
void tst_RemovalWalk::windowsLinksAreRemovedAsThemselves()
{
    const QString outside = root->filePath(u"outside"_s);
    touch(outside + u"/canary"_s);
    touch(root->filePath(u"gone/file"_s));
    const auto native = [](const QString &p) { return QDir::toNativeSeparators(p).toStdWString(); };
    const DWORD folderLink =
        SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    QVERIFY(QDir().mkpath(product));
    QVERIFY(CreateSymbolicLinkW(native(path(u"folder link"_s)).c_str(), native(outside).c_str(),
                                folderLink));
    // Wine 8 reports success and makes nothing: there is nothing to test then.
    if (!(GetFileAttributesW(native(path(u"folder link"_s)).c_str()) & FILE_ATTRIBUTE_REPARSE_POINT)
        || GetFileAttributesW(native(path(u"folder link"_s)).c_str()) == INVALID_FILE_ATTRIBUTES)
        QSKIP("this system makes no folder links (Wine 8 does not)");
    QVERIFY(CreateSymbolicLinkW(native(path(u"file link"_s)).c_str(),
                                native(outside + u"/canary"_s).c_str(), 0));
    // A folder link whose target is gone is still a folder entry to Windows.
    QVERIFY(CreateSymbolicLinkW(native(path(u"dangling folder link"_s)).c_str(),
                                native(root->filePath(u"gone"_s)).c_str(), folderLink));
    QVERIFY(QDir(root->filePath(u"gone"_s)).removeRecursively());
    QCOMPARE(QProcess::execute(u"cmd"_s, {u"/c"_s, u"mklink"_s, u"/J"_s,
                                          QDir::toNativeSeparators(path(u"junction"_s)),
                                          QDir::toNativeSeparators(outside)}),
             0);
    QVERIFY(QFileInfo(path(u"junction"_s)).isJunction());
    QVERIFY(QFile::link(outside, path(u"shortcut.lnk"_s)));

    RemovalWalk::removeTree(product);
    QVERIFY2(!QFileInfo::exists(product), qPrintable(contents(product).join(u", "_s)));
    QCOMPARE(contents(outside), QStringList{u"canary"_s});
}
#else
void tst_RemovalWalk::unlistableFolderStays()
{
    touch(path(u"locked/secret.txt"_s));
    touch(path(u"open/file.txt"_s));
    touch(path(u"top.txt"_s));
    QFile::setPermissions(path(u"locked"_s), QFileDevice::Permissions()); // no one may list it
    // As root, permissions do not bind: walk as "nobody" then, on a tree it owns.
    const bool asRoot = geteuid() == 0;
    if (asRoot) {
        QCOMPARE(QProcess::execute(u"chown"_s, {u"-R"_s, u"65534:65534"_s, root->path()}), 0);
        QCOMPARE(QProcess::execute(QStringLiteral(REMOVETREE), {product, u"--as-nobody"_s}), 0);
    } else {
        RemovalWalk::removeTree(product);
    }
    QFile::setPermissions(path(u"locked"_s),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(contents(product), (QStringList{u"locked"_s, u"locked/secret.txt"_s}));
}

void tst_RemovalWalk::folderSwappedForALinkIsRemovedAsALink()
{
    const QString victim = root->filePath(u"victim"_s);
    touch(victim + u"/precious"_s);
    touch(path(u"a_big/file"_s));
    touch(path(u"z_dir/file"_s));
    swapIn = product;
    swapTarget = victim;
    swapped = false;
    // Between the listing of the product folder and the walk's look at its entries.
    RemovalWalk::setListedHook([](const QString &folder) {
        if (swapped || folder != swapIn)
            return;
        swapped = QDir().rename(swapIn + u"/z_dir"_s, swapIn + u"/.old"_s)
                  && QFile::link(swapTarget, swapIn + u"/z_dir"_s);
    });
    RemovalWalk::removeTree(product);
    RemovalWalk::setListedHook(nullptr);
    QVERIFY(swapped);
    QCOMPARE(contents(victim), QStringList{u"precious"_s});
    QCOMPARE(contents(product),
             (QStringList{u".old"_s, u".old/file"_s})); // the link itself is gone
}

void tst_RemovalWalk::otherFileSystemsStay()
{
    // A bind mount of a folder of the same file system: the device number alone cannot tell.
    if (geteuid() != 0 || QStandardPaths::findExecutable(u"unshare"_s).isEmpty())
        QSKIP("a bind mount needs root and unshare");
    const QString data = root->filePath(u"data"_s);
    touch(data + u"/keep"_s);
    touch(path(u"mnt/.placeholder"_s));
    touch(path(u"visible.txt"_s));
    const QString script = u"mount --bind \"$1\" \"$2/mnt\" && \"$3\" \"$2\""_s;
    QCOMPARE(QProcess::execute(u"unshare"_s, {u"-m"_s, u"sh"_s, u"-c"_s, script, u"sh"_s, data,
                                              product, QStringLiteral(REMOVETREE)}),
             0);
    QCOMPARE(contents(data), QStringList{u"keep"_s});
    QCOMPARE(contents(product), (QStringList{u"mnt"_s, u"mnt/.placeholder"_s}));
}

void tst_RemovalWalk::veryDeepTreeEndsCleanly()
{
    // Deeper than paths may be long and than descriptors may be open: made level by level,
    // each name as long as a name may be. The walk's memory must grow with the depth, not
    // with its square (a path built anew at every level: 150 MB at 1,000 levels).
    const QString outside = root->filePath(u"outside"_s);
    touch(outside + u"/canary"_s);
    QVERIFY(QDir().mkpath(product));
    const std::string name(255, 'd');
    int folder = open(QFile::encodeName(product).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < 3000 && folder >= 0; ++level) {
        mkdirat(folder, name.c_str(), 0700);
        const int next = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (level % 500 == 499)
            QVERIFY(symlinkat(QFile::encodeName(outside).constData(), next, "link") == 0);
        close(folder);
        folder = next;
    }
    QVERIFY(folder >= 0);
    close(folder);

    QProcess walk;
    walk.start(QStringLiteral(REMOVETREE), {product, u"--report-memory"_s});
    QVERIFY(walk.waitForFinished(60000));
    QCOMPARE(walk.exitCode(), 0);
    const int peakMiB = walk.readAllStandardOutput().trimmed().toInt() / 1024;
    QVERIFY2(peakMiB > 0 && peakMiB < 40, qPrintable(QString::number(peakMiB)));
    QCOMPARE(contents(outside), QStringList{u"canary"_s});
    // QTemporaryDir cannot remove what is left by its path: rm can.
    QCOMPARE(QProcess::execute(u"rm"_s, {u"-rf"_s, product}), 0);
}

#endif

void tst_RemovalWalk::whatAnotherRunRemovedIsNotReported()
{
    // A second uninstaller removes a folder, with all it holds, while this walk is inside it.
    touch(path(u"lessons/one"_s));
    touch(path(u"lessons/two"_s));
    swapIn = path(u"lessons"_s);
    swapped = false;
    RemovalWalk::setListedHook([](const QString &folder) {
        if (swapped || folder != swapIn)
            return;
        swapped = QFile::remove(swapIn + u"/one"_s) && QFile::remove(swapIn + u"/two"_s);
        // POSIX lets the folder go too while the walk is in it; Windows only once it lets go.
        QDir().rmdir(swapIn);
    });
    const bool complete = RemovalWalk::removeTree(product);
    RemovalWalk::setListedHook(nullptr);
    QVERIFY(swapped);
    QVERIFY(complete); // nothing stays that it meant to remove
    QVERIFY(!QFileInfo::exists(product));
}

// del and rmdir, on every system done in the program: cmd's del of a folder deletes the files
// in it, and its rmdir would still be running when the completion page shows.
void tst_RemovalWalk::cmdRemovalsInTheProgram()
{
    const QString startup = path(u"startup"_s), name = Product::shortcutName();
    touch(startup + u'/' + name + u"/homework.txt"_s); // a folder in the shortcut's name
    QVERIFY(platform().startHidden(Commands::deleteFile(startup, name)));
    QVERIFY(QFile::exists(startup + u'/' + name + u"/homework.txt"_s));
    QVERIFY(QDir(startup + u'/' + name).removeRecursively());
    touch(startup + u'/' + name);
    QVERIFY(QFile::setPermissions(startup + u'/' + name, QFileDevice::ReadOwner));
    QVERIFY(platform().startHidden(Commands::deleteFile(startup, name)));
    QVERIFY(!QFileInfo::exists(startup + u'/' + name)); // read-only too, as /F says
#ifndef Q_OS_WIN
    // A link to a folder stays; a link to a file goes as itself (Windows: tst_win32).
    touch(path(u"elsewhere/homework.txt"_s));
    QVERIFY(QFile::link(path(u"elsewhere"_s), startup + u'/' + name));
    QVERIFY(platform().startHidden(Commands::deleteFile(startup, name)));
    QVERIFY(QFileInfo(startup + u'/' + name).isSymLink());
    QVERIFY(QFile::remove(startup + u'/' + name));
    QVERIFY(QFile::link(path(u"elsewhere/homework.txt"_s), startup + u'/' + name));
    QVERIFY(platform().startHidden(Commands::deleteFile(startup, name)));
    QVERIFY(!QFileInfo(startup + u'/' + name).isSymLink());
    QVERIFY(QFile::exists(path(u"elsewhere/homework.txt"_s)));
#endif
    touch(path(u"programs/Zelvane2.0/课程/b.txt"_s));
    QVERIFY(platform().startHidden(Commands::removeFolder(path(u"programs"_s), u"Zelvane2.0"_s)));
    QVERIFY(!QFileInfo::exists(path(u"programs/Zelvane2.0"_s))); // gone when the call returns
}

void tst_RemovalWalk::deepTree()
{
    QString deep = product;
    for (int level = 0; level < 200; ++level)
        deep += u"/d%1"_s.arg(level);
    QVERIFY(QDir().mkpath(deep));
    touch(deep + u"/bottom.txt"_s);
    RemovalWalk::removeTree(product);
    QVERIFY(!QFileInfo::exists(product));
}

void tst_RemovalWalk::manyFiles()
{
    for (int folder = 0; folder < 100; ++folder) {
        const QString dir = path(u"f%1"_s.arg(folder));
        QVERIFY(QDir().mkpath(dir));
        for (int file = 0; file < 100; ++file) {
            QFile f(dir + u"/file%1.dat"_s.arg(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }
    QElapsedTimer clock;
    clock.start();
    RemovalWalk::removeTree(product);
    QVERIFY(!QFileInfo::exists(product));
    QVERIFY2(clock.elapsed() < 20000, "10,000 files took more than 20 seconds");
}

QTEST_GUILESS_MAIN(tst_RemovalWalk)
#include "tst_removalwalk.moc"
