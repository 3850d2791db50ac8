#include "productfolder.h"
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

// The removal walk on real temporary trees, and the check that keeps it out of folders
// that are not a product's own.
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
    void foldersOfTheUsersProgramsAreProtected();
#endif
    void deepTree();
    void manyFiles();
    void onlyProductFoldersAreEmptied_data();
    void onlyProductFoldersAreEmptied();
    void linksToWellKnownFoldersAreSeenThrough();
    void currentFolderInsideTheProduct();

private:
    std::unique_ptr<QTemporaryDir> root;
    QString product;
    QString path(const QString &relative) const
    {
        return product + "/" + relative;
    }
    static QStringList contents(const QString &folder);
    // Hidden as the system sees it: a dot name elsewhere, the hidden attribute on Windows.
    static void hide(const QString &entry);
};

void tst_RemovalWalk::hide(const QString &entry)
{
#ifdef Q_OS_WIN
    const std::wstring native = QDir::toNativeSeparators(entry).toStdWString();
    QVERIFY(SetFileAttributesW(native.c_str(),
                               GetFileAttributesW(native.c_str()) | FILE_ATTRIBUTE_HIDDEN));
#else
    QVERIFY(QFileInfo(entry).fileName().startsWith('.'));
#endif
}

void tst_RemovalWalk::init()
{
    root = std::make_unique<QTemporaryDir>();
    product = root->filePath("Zelvane2.0");
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
         QStringList{"uninstaller", "readme with blanks.txt", "课程/数学/第一课.txt",
                     "课程/emoji 🐢🎨/pic.png", "Data/Upper.TXT", "data/lower.txt", "empty/",
                     "a/b/c/d/e/f.bin"}) {
        if (file.endsWith('/'))
            QVERIFY(QDir().mkpath(path(file)));
        else
            touch(path(file));
    }
    QFile readOnly(path("read only.dat"));
    touch(readOnly.fileName());
    QVERIFY(readOnly.setPermissions(QFile::ReadOwner));

    RemovalWalk::removeTree(product);
#ifdef Q_OS_WIN
    // Windows refuses to delete a read-only file: it stays, and so does its folder.
    QCOMPARE(contents(product), QStringList{"read only.dat"});
#else
    QVERIFY2(!QFileInfo::exists(product), qPrintable(contents(product).join(", ")));
    QCOMPARE(QDir(root->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
#endif
}

void tst_RemovalWalk::hiddenEntriesStayWithTheirFolders()
{
    touch(path("lessons/deep/.settings"));
    touch(path("lessons/deep/visible.txt"));
    touch(path("lessons/other.txt"));
    touch(path(".hidden folder/inside.txt"));
    touch(path("paint/palette.txt"));
    hide(path("lessons/deep/.settings"));
    hide(path(".hidden folder"));

    RemovalWalk::removeTree(product);
    QCOMPARE(contents(product), (QStringList{".hidden folder", ".hidden folder/inside.txt",
                                             "lessons", "lessons/deep", "lessons/deep/.settings"}));
}

void tst_RemovalWalk::emptyFoldersAboveStay()
{
    // Only what lies inside is removed, however empty the folders above it become.
    const QString nested = root->filePath("vendor/games/Zelvane2.0");
    touch(nested + "/sub/file.txt");
    RemovalWalk::removeTree(nested);
    QVERIFY(!QFileInfo::exists(nested));
    QVERIFY(QFileInfo(root->filePath("vendor/games")).isDir());
}

void tst_RemovalWalk::neverFollowsLinks()
{
    const QString outside = root->filePath("outside");
    touch(outside + "/canary");
    touch(outside + "/sub/canary2");
    touch(root->filePath("lonely file"));
    QVERIFY(QDir().mkpath(path("sub")));
    QVERIFY(QFile::link(outside, path("link to folder")));
    QVERIFY(QFile::link(outside + "/sub", path("sub/link to sub folder")));
    QVERIFY(QFile::link(root->filePath("lonely file"), path("link to file")));
    QVERIFY(QFile::link(root->filePath("nothing here"), path("broken link")));
    touch(path("Zelvane儿童电脑操作系统2.0.lnk"));

    RemovalWalk::removeTree(product);
    QVERIFY2(!QFileInfo::exists(product), qPrintable(contents(product).join(", ")));
    QCOMPARE(contents(outside), (QStringList{"canary", "sub", "sub/canary2"}));
    QVERIFY(QFile::exists(root->filePath("lonely file")));
}

void tst_RemovalWalk::linkLoopsEnd()
{
    touch(path("a/file"));
    QVERIFY(QFile::link(product, path("a/back to top")));
    QVERIFY(QFile::link(path("a"), path("a/self")));
    QVERIFY(QFile::link(path("y"), path("x")));
    QVERIFY(QFile::link(path("x"), path("y")));

    RemovalWalk::removeTree(product);
    QVERIFY2(!QFileInfo::exists(product), qPrintable(contents(product).join(", ")));
}

#ifdef Q_OS_WIN
void tst_RemovalWalk::windowsLinksAreRemovedAsThemselves()
{
    const QString outside = root->filePath("outside");
    touch(outside + "/canary");
    touch(root->filePath("gone/file"));
    const auto native = [](const QString &p) { return QDir::toNativeSeparators(p).toStdWString(); };
    const DWORD folderLink =
        SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    QVERIFY(QDir().mkpath(product));
    QVERIFY(CreateSymbolicLinkW(native(path("folder link")).c_str(), native(outside).c_str(),
                                folderLink));
    // Wine 8 reports success and makes nothing: there is nothing to test then.
    if (!(GetFileAttributesW(native(path("folder link")).c_str()) & FILE_ATTRIBUTE_REPARSE_POINT)
        || GetFileAttributesW(native(path("folder link")).c_str()) == INVALID_FILE_ATTRIBUTES)
        QSKIP("this system makes no folder links (Wine 8 does not)");
    QVERIFY(CreateSymbolicLinkW(native(path("file link")).c_str(),
                                native(outside + "/canary").c_str(), 0));
    // A folder link whose target is gone is still a folder entry to Windows.
    QVERIFY(CreateSymbolicLinkW(native(path("dangling folder link")).c_str(),
                                native(root->filePath("gone")).c_str(), folderLink));
    QVERIFY(QDir(root->filePath("gone")).removeRecursively());
    QCOMPARE(
        QProcess::execute("cmd", {"/c", "mklink", "/J", QDir::toNativeSeparators(path("junction")),
                                  QDir::toNativeSeparators(outside)}),
        0);
    QVERIFY(QFileInfo(path("junction")).isJunction());
    QVERIFY(QFile::link(outside, path("shortcut.lnk")));

    RemovalWalk::removeTree(product);
    QVERIFY2(!QFileInfo::exists(product), qPrintable(contents(product).join(", ")));
    QCOMPARE(contents(outside), QStringList{"canary"});
}
#else
void tst_RemovalWalk::unlistableFolderStays()
{
    touch(path("locked/secret.txt"));
    touch(path("open/file.txt"));
    touch(path("top.txt"));
    QFile::setPermissions(path("locked"), QFileDevice::Permissions()); // no one may list it
    // As root, permissions do not bind: walk as "nobody" then, on a tree it owns.
    const bool asRoot = geteuid() == 0;
    if (asRoot) {
        QCOMPARE(QProcess::execute("chown", {"-R", "65534:65534", root->path()}), 0);
        QCOMPARE(QProcess::execute(REMOVETREE, {product, "--as-nobody"}), 0);
    } else {
        RemovalWalk::removeTree(product);
    }
    QFile::setPermissions(path("locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(contents(product), (QStringList{"locked", "locked/secret.txt"}));
}

namespace {
// What the hook below swaps: a folder of the product for a link to a folder outside.
QString swapIn, swapTarget;
bool swapped = false;
} // namespace

void tst_RemovalWalk::folderSwappedForALinkIsRemovedAsALink()
{
    const QString victim = root->filePath("victim");
    touch(victim + "/precious");
    touch(path("a_big/file"));
    touch(path("z_dir/file"));
    swapIn = product;
    swapTarget = victim;
    swapped = false;
    // Between the listing of the product folder and the walk's look at its entries.
    RemovalWalk::setListedHook([](const QString &folder) {
        if (swapped || folder != swapIn)
            return;
        swapped = QDir().rename(swapIn + "/z_dir", swapIn + "/.old")
                  && QFile::link(swapTarget, swapIn + "/z_dir");
    });
    RemovalWalk::removeTree(product);
    RemovalWalk::setListedHook(nullptr);
    QVERIFY(swapped);
    QCOMPARE(contents(victim), QStringList{"precious"});
    QCOMPARE(contents(product), (QStringList{".old", ".old/file"})); // the link itself is gone
}

void tst_RemovalWalk::otherFileSystemsStay()
{
    // A bind mount of a folder of the same file system: the device number alone cannot tell.
    if (geteuid() != 0 || QStandardPaths::findExecutable("unshare").isEmpty())
        QSKIP("a bind mount needs root and unshare");
    const QString data = root->filePath("data");
    touch(data + "/keep");
    touch(path("mnt/.placeholder"));
    touch(path("visible.txt"));
    const QString script = "mount --bind \"$1\" \"$2/mnt\" && \"$3\" \"$2\"";
    QCOMPARE(
        QProcess::execute("unshare", {"-m", "sh", "-c", script, "sh", data, product, REMOVETREE}),
        0);
    QCOMPARE(contents(data), QStringList{"keep"});
    QCOMPARE(contents(product), (QStringList{"mnt", "mnt/.placeholder"}));
}

void tst_RemovalWalk::veryDeepTreeEndsCleanly()
{
    // Deeper than paths may be long and than descriptors may be open: made level by level.
    const QString outside = root->filePath("outside");
    touch(outside + "/canary");
    QVERIFY(QDir().mkpath(product));
    int folder = open(QFile::encodeName(product).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < 5000 && folder >= 0; ++level) {
        mkdirat(folder, "d", 0700);
        const int next = openat(folder, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (level % 1000 == 999)
            QVERIFY(symlinkat(QFile::encodeName(outside).constData(), next, "link") == 0);
        close(folder);
        folder = next;
    }
    QVERIFY(folder >= 0);
    close(folder);

    RemovalWalk::removeTree(product);
    QCOMPARE(contents(outside), QStringList{"canary"});
    // QTemporaryDir cannot remove what is left by its path: rm can.
    QCOMPARE(QProcess::execute("rm", {"-rf", product}), 0);
}

void tst_RemovalWalk::foldersOfTheUsersProgramsAreProtected()
{
    const QString home = root->filePath("home");
    const QString tools = root->filePath("tools/bin");
    QVERIFY(QDir().mkpath(home));
    QVERIFY(QDir().mkpath(tools));
    const QByteArray oldHome = qgetenv("HOME"), oldPath = qgetenv("PATH");
    qputenv("HOME", QFile::encodeName(home));
    qputenv("PATH", QFile::encodeName(tools) + ":" + oldPath);
    const QStringList known = ProductFolder::wellKnownFolders();
    // With HOME unset Qt takes "/" for home: the account's own home still counts.
    qunsetenv("HOME");
    const QStringList knownWithoutHome = ProductFolder::wellKnownFolders();
    qputenv("HOME", oldHome);
    qputenv("PATH", oldPath);
    for (const QString &folder :
         {tools, home + "/.local/bin", home + "/bin", home + "/.local/state", home + "/.cache",
          QString("/usr/games"), QString("/usr/local/sbin")})
        QVERIFY2(!ProductFolder::mayBeEmptied(folder, known), qPrintable(folder));
    QVERIFY(ProductFolder::mayBeEmptied(home + "/.local/bin/Zelvane2.0", known));
    QVERIFY(!ProductFolder::mayBeEmptied(QDir::homePath(), knownWithoutHome));
}
#endif

void tst_RemovalWalk::deepTree()
{
    QString deep = product;
    for (int level = 0; level < 200; ++level)
        deep += QString("/d%1").arg(level);
    QVERIFY(QDir().mkpath(deep));
    touch(deep + "/bottom.txt");
    RemovalWalk::removeTree(product);
    QVERIFY(!QFileInfo::exists(product));
}

void tst_RemovalWalk::manyFiles()
{
    for (int folder = 0; folder < 100; ++folder) {
        const QString dir = path(QString("f%1").arg(folder));
        QVERIFY(QDir().mkpath(dir));
        for (int file = 0; file < 100; ++file) {
            QFile f(dir + QString("/file%1.dat").arg(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }
    QElapsedTimer clock;
    clock.start();
    RemovalWalk::removeTree(product);
    QVERIFY(!QFileInfo::exists(product));
    QVERIFY2(clock.elapsed() < 20000, "10,000 files took more than 20 seconds");
}

void tst_RemovalWalk::onlyProductFoldersAreEmptied_data()
{
    // Relative paths lie in this test's own temporary folder, whose home is "home".
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("allowed");
#ifdef Q_OS_WIN
    // The system's own folders, spelled as users and programs spell them.
    const QString drive = qEnvironmentVariable("SystemDrive");
    const QString windows = qEnvironmentVariable("SystemRoot");
    const QString programs = qEnvironmentVariable("ProgramFiles");
    const QString profile = qEnvironmentVariable("USERPROFILE");
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    QTest::newRow("drive root") << drive + "/" << false;
    QTest::newRow("drive root, back slash") << drive + "\\" << false;
    QTest::newRow("Windows") << windows << false;
    QTest::newRow("system32, back slashes")
        << QDir::toNativeSeparators(windows + "/System32") << false;
    QTest::newRow("Program Files") << programs << false;
    QTest::newRow("profile") << profile << false;
    QTest::newRow("Users, holds the profile") << QFileInfo(profile).absolutePath() << false;
    QTest::newRow("Desktop") << desktop << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("product in Program Files") << programs + "/Zelvane2.0" << true;
    QTest::newRow("product, back slashes")
        << QDir::toNativeSeparators(programs + "/Zelvane2.0") << true;
    QTest::newRow("product on the Desktop") << desktop + "/Zelvane" << true;
    QTest::newRow("product in temp") << "Zelvane2.0" << true;
#else
    QTest::newRow("file-system root") << "/" << false;
    QTest::newRow("home") << "home" << false;
    QTest::newRow("home, spelled with a trailing slash") << "home/" << false;
    QTest::newRow("home, through ..") << "home/Desktop/.." << false;
    QTest::newRow("Desktop") << "home/Desktop" << false;
    QTest::newRow("Documents") << "home/Documents" << false;
    QTest::newRow("Downloads") << "home/Downloads" << false;
    QTest::newRow("autostart") << "home/.config/autostart" << false;
    QTest::newRow("applications") << "home/.local/share/applications" << false;
    QTest::newRow("holds home") << "." << false;
    QTest::newRow("/home") << "/home" << false;
    QTest::newRow("/usr") << "/usr" << false;
    QTest::newRow("/usr/local/bin") << "/usr/local/bin" << false;
    QTest::newRow("temp folder") << QDir::tempPath() << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("product on the Desktop") << "home/Desktop/Zelvane" << true;
    QTest::newRow("product in home") << "home/Zelvane2.0" << true;
    QTest::newRow("product in /opt") << "/opt/zelvane" << true;
    QTest::newRow("product in temp") << "Zelvane2.0" << true;
#endif
}

void tst_RemovalWalk::onlyProductFoldersAreEmptied()
{
    QFETCH(QString, folder);
    QFETCH(bool, allowed);
    if (!folder.isEmpty() && QFileInfo(folder).isRelative())
        folder = root->path() + "/" + folder;
    const QString home = root->filePath("home");
    QVERIFY(QDir().mkpath(home + "/Desktop"));
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    const bool decided = ProductFolder::mayBeEmptied(folder, ProductFolder::wellKnownFolders());
    qputenv("HOME", oldHome);
    QCOMPARE(decided, allowed);
}

void tst_RemovalWalk::linksToWellKnownFoldersAreSeenThrough()
{
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes a shortcut on Windows, and Windows' home is not HOME");
#endif
    // A link that leads to the home folder is the home folder.
    const QString home = root->filePath("home");
    touch(home + "/Documents/homework.txt");
    QVERIFY(QFile::link(home, root->filePath("alias of home")));
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home));
    const QStringList known = ProductFolder::wellKnownFolders();
    qputenv("HOME", oldHome);
    QVERIFY(!ProductFolder::mayBeEmptied(root->filePath("alias of home"), known));
    QVERIFY(!ProductFolder::mayBeEmptied(home + "/Documents", known));
    QVERIFY(ProductFolder::mayBeEmptied(home + "/Documents/Zelvane", known));
}

void tst_RemovalWalk::currentFolderInsideTheProduct()
{
    // How the uninstaller is usually started: from its own folder. Nothing relative to the
    // current folder (Windows' "C:") may then make the product a protected folder.
    touch(path("sub/file"));
    const QString before = QDir::currentPath();
    for (const QString &current : {product, path("sub")}) {
        QVERIFY(QDir::setCurrent(current));
        // Decided there, as the uninstaller decides; on failure, which of the protected folders
        // took the product for itself.
        QStringList taken;
        for (const QString &folder : ProductFolder::wellKnownFolders())
            if (!ProductFolder::mayBeEmptied(product, {folder}))
                taken << folder;
        QDir::setCurrent(before);
        QVERIFY2(taken.isEmpty(), qPrintable(current + ": " + taken.join(", ")));
    }
}

QTEST_GUILESS_MAIN(tst_RemovalWalk)
#include "tst_removalwalk.moc"
