#include "productfolder.h"
#include "removalwalk.h"
#include "testfiles.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

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
    void unlistableFolderStays();
    void deepTree();
    void manyFiles();
    void onlyProductFoldersAreEmptied_data();
    void onlyProductFoldersAreEmptied();
    void linksToWellKnownFoldersAreSeenThrough();

private:
    std::unique_ptr<QTemporaryDir> root;
    QString product;
    QString path(const QString &relative) const { return product + "/" + relative; }
    static QStringList contents(const QString &folder);
};

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
    for (const QString &file : QStringList{"uninstaller", "readme with blanks.txt", "课程/数学/第一课.txt",
                                "课程/emoji 🐢🎨/pic.png", "Data/Upper.TXT", "data/lower.txt",
                                "empty/", "a/b/c/d/e/f.bin"}) {
        if (file.endsWith('/'))
            QVERIFY(QDir().mkpath(path(file)));
        else
            touch(path(file));
    }
    QFile readOnly(path("read only.dat"));
    touch(readOnly.fileName());
    QVERIFY(readOnly.setPermissions(QFile::ReadOwner));

    removeTree(QFileInfo(product));
    QVERIFY2(!QFileInfo::exists(product), qPrintable(contents(product).join(", ")));
    QCOMPARE(QDir(root->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void tst_RemovalWalk::hiddenEntriesStayWithTheirFolders()
{
    touch(path("lessons/deep/.settings"));
    touch(path("lessons/deep/visible.txt"));
    touch(path("lessons/other.txt"));
    touch(path(".hidden folder/inside.txt"));
    touch(path("paint/palette.txt"));

    removeTree(QFileInfo(product));
    QCOMPARE(contents(product), (QStringList{".hidden folder", ".hidden folder/inside.txt", "lessons",
                                             "lessons/deep", "lessons/deep/.settings"}));
}

void tst_RemovalWalk::emptyFoldersAboveStay()
{
    // Only what lies inside is removed, however empty the folders above it become.
    const QString nested = root->filePath("vendor/games/Zelvane2.0");
    touch(nested + "/sub/file.txt");
    removeTree(QFileInfo(nested));
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

    removeTree(QFileInfo(product));
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

    removeTree(QFileInfo(product));
    QVERIFY2(!QFileInfo::exists(product), qPrintable(contents(product).join(", ")));
}

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
        removeTree(QFileInfo(product));
    }
    QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(contents(product), (QStringList{"locked", "locked/secret.txt"}));
}

void tst_RemovalWalk::deepTree()
{
    QString deep = product;
    for (int level = 0; level < 200; ++level)
        deep += QString("/d%1").arg(level);
    QVERIFY(QDir().mkpath(deep));
    touch(deep + "/bottom.txt");
    removeTree(QFileInfo(product));
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
    removeTree(QFileInfo(product));
    QVERIFY(!QFileInfo::exists(product));
    QVERIFY2(clock.elapsed() < 20000, "10,000 files took more than 20 seconds");
}

void tst_RemovalWalk::onlyProductFoldersAreEmptied_data()
{
    // Relative paths lie in this test's own temporary folder, whose home is "home".
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("allowed");
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
}

void tst_RemovalWalk::onlyProductFoldersAreEmptied()
{
    QFETCH(QString, folder);
    QFETCH(bool, allowed);
    if (!folder.isEmpty() && !folder.startsWith('/'))
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

QTEST_GUILESS_MAIN(tst_RemovalWalk)
#include "tst_removalwalk.moc"
