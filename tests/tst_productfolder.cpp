#include "productfolder.h"
#include "testfiles.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The check that keeps the removal walk out of every folder that is not a product's own.
class tst_ProductFolder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void onlyProductFoldersAreEmptied_data();
    void onlyProductFoldersAreEmptied();
#ifndef Q_OS_WIN
    void foldersOfTheUsersProgramsAreProtected();
#else
    void systemFoldersWhateverTheEnvironment();
#endif
    void linksToWellKnownFoldersAreSeenThrough();
    void currentFolderInsideTheProduct();

private:
    std::unique_ptr<QTemporaryDir> root;
    QString product;
};

void tst_ProductFolder::init()
{
    root = std::make_unique<QTemporaryDir>();
    product = root->filePath(u"Zelvane2.0"_s);
    QVERIFY(QDir().mkpath(product));
}

void tst_ProductFolder::onlyProductFoldersAreEmptied_data()
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
    QTest::newRow("drive root") << drive + u"/"_s << false;
    QTest::newRow("drive root, back slash") << drive + u"\\"_s << false;
    QTest::newRow("Windows") << windows << false;
    QTest::newRow("system32, back slashes")
        << QDir::toNativeSeparators(windows + u"/System32"_s) << false;
    QTest::newRow("Program Files") << programs << false;
    QTest::newRow("profile") << profile << false;
    QTest::newRow("Users, holds the profile") << QFileInfo(profile).absolutePath() << false;
    QTest::newRow("Desktop") << desktop << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("product in Program Files") << programs + u"/Zelvane2.0"_s << true;
    QTest::newRow("product, back slashes")
        << QDir::toNativeSeparators(programs + u"/Zelvane2.0"_s) << true;
    QTest::newRow("product on the Desktop") << desktop + u"/Zelvane"_s << true;
    QTest::newRow("product in temp") << "Zelvane2.0" << true;
#else
    // The root, home however it is spelled, the user's own folders, a folder that holds home,
    // the system's folders: each path is its row's name.
    for (const char *refused :
         {"/", "home", "home/", "home/Desktop/..", "home/Desktop", "home/Documents",
          "home/Downloads", "home/.config/autostart", "home/.local/share/applications", ".",
          "/home", "/usr", "/usr/local/bin"})
        QTest::newRow(refused) << QString::fromUtf8(refused) << false;
    QTest::newRow("temp folder") << QDir::tempPath() << false;
    QTest::newRow("empty") << QString() << false;
    for (const char *productFolder : {"home/Desktop/Zelvane", "home/Zelvane2.0", "Zelvane2.0"})
        QTest::newRow(productFolder) << QString::fromUtf8(productFolder) << true;
#endif
}

void tst_ProductFolder::onlyProductFoldersAreEmptied()
{
    QFETCH(QString, folder);
    QFETCH(bool, allowed);
    if (!folder.isEmpty() && QFileInfo(folder).isRelative()) {
        folder = root->path() + u"/"_s + folder;
        QVERIFY(QDir().mkpath(folder)); // a folder that is not there has nothing to empty
    }
    const QString home = root->filePath(u"home"_s);
    QVERIFY(QDir().mkpath(home + u"/Desktop"_s));
    const auto restore = keepEnvironment({"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"});
    qputenv("HOME", QFile::encodeName(home));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    // A product folder is there when it is emptied: made for the row, and taken away after.
    const bool made = allowed && !QFileInfo::exists(folder) && QDir().mkpath(folder);
    const auto tidy = qScopeGuard([&] {
        if (made)
            QDir().rmdir(folder);
    });
    const bool decided = ProductFolder::mayBeEmptied(folder, ProductFolder::wellKnownFolders());
    QCOMPARE(decided, allowed);
}

#ifndef Q_OS_WIN
void tst_ProductFolder::foldersOfTheUsersProgramsAreProtected()
{
    const QString home = root->filePath(u"home"_s);
    const QString tools = root->filePath(u"tools/bin"_s);
    QVERIFY(QDir().mkpath(home));
    QVERIFY(QDir().mkpath(tools));
    QStringList known, knownWithoutHome;
    {
        const auto restore = keepEnvironment({"HOME", "PATH"});
        qputenv("HOME", QFile::encodeName(home));
        qputenv("PATH", QFile::encodeName(tools) + ":" + qgetenv("PATH"));
        known = ProductFolder::wellKnownFolders();
        // With HOME unset Qt takes "/" for home: the account's own home still counts.
        qunsetenv("HOME");
        knownWithoutHome = ProductFolder::wellKnownFolders();
    }
    for (const QString &folder :
         QStringList{tools, home + u"/.local/bin"_s, home + u"/bin"_s, home + u"/.local/state"_s,
                     home + u"/.cache"_s, u"/usr/games"_s, u"/usr/local/sbin"_s}) {
        if (folder.startsWith(root->path()))
            QVERIFY(QDir().mkpath(folder));
        else if (!QFileInfo(folder).isDir())
            continue;
        QVERIFY2(!ProductFolder::mayBeEmptied(folder, known), qPrintable(folder));
    }
    QVERIFY(QDir().mkpath(home + u"/.local/bin/Zelvane2.0"_s));
    QVERIFY(ProductFolder::mayBeEmptied(home + u"/.local/bin/Zelvane2.0"_s, known));
    QVERIFY(!ProductFolder::mayBeEmptied(QDir::homePath(), knownWithoutHome));
}
#endif

#ifdef Q_OS_WIN
// The system's own list: known folders beyond Qt's, and Program Files and ProgramData with their
// variables gone; a OneDrive variable adds its folder.
void tst_ProductFolder::systemFoldersWhateverTheEnvironment()
{
    const QString profile = qEnvironmentVariable("USERPROFILE");
    const QString pub = qEnvironmentVariable("PUBLIC");
    const QStringList refused = {profile + u"/Favorites"_s,
                                 profile + u"/Saved Games"_s,
                                 profile + u"/Contacts"_s,
                                 pub + u"/Documents"_s,
                                 qEnvironmentVariable("CommonProgramFiles"),
                                 qEnvironmentVariable("ProgramFiles(x86)"),
                                 qEnvironmentVariable("ProgramData"),
                                 root->filePath(u"OneDrive"_s)};
    for (const QString &folder : refused)
        QVERIFY2(QDir().mkpath(folder), qPrintable(folder)); // a new prefix may lack some
    QStringList known;
    {
        const auto restore = keepEnvironment({"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432",
                                              "CommonProgramFiles", "ProgramData",
                                              "ALLUSERSPROFILE", "PUBLIC", "OneDrive"});
        for (const char *name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432",
                                 "CommonProgramFiles", "ProgramData", "ALLUSERSPROFILE", "PUBLIC"})
            qunsetenv(name);
        qputenv("OneDrive", QDir::toNativeSeparators(refused.last()).toUtf8());
        known = ProductFolder::wellKnownFolders();
    }
    for (const QString &folder : refused)
        QVERIFY2(!ProductFolder::mayBeEmptied(folder, known), qPrintable(folder));
    QVERIFY(ProductFolder::mayBeEmptied(product, known));
}
#endif

void tst_ProductFolder::linksToWellKnownFoldersAreSeenThrough()
{
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes a shortcut on Windows, and Windows' home is not HOME");
#endif
    // A link that leads to the home folder is the home folder.
    const QString home = root->filePath(u"home"_s);
    touch(home + u"/Documents/homework.txt"_s);
    QVERIFY(QFile::link(home, root->filePath(u"alias of home"_s)));
    const auto restore = keepEnvironment({"HOME"});
    qputenv("HOME", QFile::encodeName(home));
    const QStringList known = ProductFolder::wellKnownFolders();
    QVERIFY(!ProductFolder::mayBeEmptied(root->filePath(u"alias of home"_s), known));
    QVERIFY(!ProductFolder::mayBeEmptied(home + u"/Documents"_s, known));
    QVERIFY(QDir().mkpath(home + u"/Documents/Zelvane"_s));
    QVERIFY(ProductFolder::mayBeEmptied(home + u"/Documents/Zelvane"_s, known));
}

void tst_ProductFolder::currentFolderInsideTheProduct()
{
    // How the uninstaller is usually started: from its own folder. Nothing relative to the
    // current folder (Windows' "C:") may then make the product a protected folder.
    touch(product + u"/sub/file"_s);
    const QString before = QDir::currentPath();
    for (const QString &current : QStringList{product, product + u"/sub"_s}) {
        QVERIFY(QDir::setCurrent(current));
        // Decided there, as the uninstaller decides; on failure, which of the protected folders
        // took the product for itself.
        QStringList taken;
        for (const QString &folder : ProductFolder::wellKnownFolders())
            if (!ProductFolder::mayBeEmptied(product, {folder}))
                taken << folder;
        QDir::setCurrent(before);
        QVERIFY2(taken.isEmpty(), qPrintable(current + u": "_s + taken.join(u", "_s)));
    }
}

QTEST_GUILESS_MAIN(tst_ProductFolder)
#include "tst_productfolder.moc"
