#include "commands.h"
#include "platform.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// The POSIX stand-ins for cmd, del, rmdir and taskkill, run for real on temporary files
// and processes.
class tst_SystemPlatform : public QObject
{
    Q_OBJECT

private slots:
    void startsAProgramDetached();
    void reportsWhatCannotStart();
    void deleteRemovesOneFile();
    void rmdirRemovesTreeButNotWhatLinksPointTo();
    void taskkillEndsOnlyProcessesOfThatName();
    void nothingIsLookedUpInOwnOrCurrentFolder();
    void specialFoldersFollowXdgAndAreNotCreated();
    void unusableHomeMakesFoldersUnknown();
    void lockIsHeldByOneProcessOnly();
    void lockIsNotPassedToStartedPrograms();
    void lockIsPrivateToTheUser();
    void startedProgramsAreReaped();

private:
    static void writeScript(const QString &path, const QByteArray &body);
    static QString readAll(const QString &path);
};

void tst_SystemPlatform::writeScript(const QString &path, const QByteArray &body)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body + "\n");
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser));
}

QString tst_SystemPlatform::readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

void tst_SystemPlatform::startsAProgramDetached()
{
    QTemporaryDir root;
    const QString tmp = root.filePath("my 临时 folder");
    QVERIFY(QDir().mkpath(tmp));
    // It takes a while, and the caller must not wait for it.
    writeScript(tmp + "/setup.exe", "sleep 1; echo \"$# [$*]\" > \"$(dirname \"$0\")/ran\"");

    QElapsedTimer clock;
    clock.start();
    QVERIFY(platform().startHidden(Commands::runSetup(tmp)));
    QVERIFY2(clock.elapsed() < 900, "startHidden waited for the program");
    QVERIFY(!QFile::exists(tmp + "/ran"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(tmp + "/ran") && !readAll(tmp + "/ran").isEmpty(),
                             10000);
    QCOMPARE(readAll(tmp + "/ran"), QString("0 []"));
}

void tst_SystemPlatform::reportsWhatCannotStart()
{
    QTemporaryDir root;
    QVERIFY(!platform().startHidden("zelvane-no-such-program --flag"));
    QVERIFY(!platform().startHidden(Commands::runSetup(root.path()))); // no setup.exe there
    QFile plain(root.filePath("data.txt"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(!platform().startHidden(root.filePath("data.txt"))); // not executable
    QVERIFY(!platform().startHidden(QString()));
}

void tst_SystemPlatform::deleteRemovesOneFile()
{
    QTemporaryDir root;
    const QString startup = root.filePath("自动 start");
    QVERIFY(QDir().mkpath(startup));
    const QString lnk = Product::shortcutName();
    for (const QString &name : {lnk, QString("other.lnk")}) {
        QFile file(startup + "/" + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(platform().startHidden(Commands::deleteFile(startup, lnk)));
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(startup + "/" + lnk), 10000);
    QVERIFY(QFile::exists(startup + "/other.lnk"));
    QVERIFY(QFileInfo(startup).isDir());

    // del does not remove folders.
    QVERIFY(QDir(startup).mkdir("folder"));
    QVERIFY(platform().startHidden(Commands::deleteFile(startup, "folder")));
    QTest::qWait(500);
    QVERIFY(QFileInfo(startup + "/folder").isDir());
}

void tst_SystemPlatform::rmdirRemovesTreeButNotWhatLinksPointTo()
{
    QTemporaryDir root;
    const QString programs = root.filePath("applications");
    const QString group = programs + "/" + Product::groupName();
    const QString outside = root.filePath("outside");
    QVERIFY(QDir().mkpath(group + "/sub dir/深"));
    QVERIFY(QDir().mkpath(outside));
    for (const QString &file :
         QStringList{group + "/a.desktop", group + "/sub dir/深/b", outside + "/canary"}) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QFile::link(outside, group + "/link to outside"));
    QVERIFY(QFile::link(outside + "/canary", group + "/sub dir/canary link"));

    QVERIFY(platform().startHidden(Commands::removeFolder(programs, Product::groupName())));
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(group), 10000);
    QVERIFY(QFile::exists(outside + "/canary"));
    QVERIFY(QFileInfo(programs).isDir());
}

void tst_SystemPlatform::taskkillEndsOnlyProcessesOfThatName()
{
    QTemporaryDir root;
    const QString sleep = QStandardPaths::findExecutable("sleep");
    QVERIFY(!sleep.isEmpty());
    QVERIFY(QFile::link(sleep, root.filePath("loding.exe")));
    QProcess splash;
    splash.start(root.filePath("loding.exe"), {"60"});
    QVERIFY(splash.waitForStarted());
    // Only the exact name: blanks around it make another program.
    QList<QProcess *> others;
    for (const QString &name :
         {QString("loding.exe.bak"), QString(" loding.exe"), QString("loding.exe ")}) {
        QVERIFY(QFile::link(sleep, root.filePath(name)));
        others << new QProcess(this);
        others.last()->start(root.filePath(name), {"60"});
        QVERIFY(others.last()->waitForStarted());
    }

    QVERIFY(platform().startHidden(Commands::killSplash()));
    QVERIFY(splash.waitForFinished(5000));
    QCOMPARE(splash.exitStatus(), QProcess::CrashExit); // killed, not ended by itself
    for (QProcess *other : others) {
        QVERIFY2(!other->waitForFinished(300), qPrintable(other->program()));
        other->kill();
        other->waitForFinished();
    }

    // Nothing running under the name: taskkill still "runs", and nothing else happens.
    QVERIFY(platform().startHidden(Commands::killSplash()));
}

void tst_SystemPlatform::nothingIsLookedUpInOwnOrCurrentFolder()
{
    // Tools planted beside the program, in the current folder and through an empty PATH entry.
    QTemporaryDir root;
    const QString marker = root.filePath("planted ran");
    const QString own = QCoreApplication::applicationDirPath();
    const QStringList planted = {own + "/rm", own + "/xdg-open", root.filePath("rm"),
                                 root.filePath("xdg-open")};
    for (const QString &tool : planted)
        writeScript(tool, "echo \"$0 $*\" >> \"" + QFile::encodeName(marker) + "\"");
    const QString before = QDir::currentPath();
    QDir::setCurrent(root.path());
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", "::/nowhere");

    touch(root.filePath("shortcut.lnk"));
    touch(root.filePath("group/inside"));
    touch(root.filePath("document.txt"));
    QVERIFY(platform().startHidden(Commands::deleteFile(root.path(), "shortcut.lnk")));
    QVERIFY(platform().startHidden(Commands::removeFolder(root.path(), "group")));
    QVERIFY(!platform().startHidden(
        Commands::openFile(root.path(), "document.txt"))); // no xdg-open on PATH
    QVERIFY(!platform().startHidden("xdg-open document.txt"));
    QVERIFY(!platform().startHidden("cmd /C \"document.txt\""));

    qputenv("PATH", oldPath);
    QDir::setCurrent(before);
    QTest::qWait(300);
    for (const QString &tool : planted)
        QFile::remove(tool);
    QVERIFY(!QFileInfo::exists(root.filePath("shortcut.lnk")));
    QVERIFY(!QFileInfo::exists(root.filePath("group")));
    QVERIFY2(!QFile::exists(marker), qPrintable(readAll(marker)));
}

void tst_SystemPlatform::unusableHomeMakesFoldersUnknown()
{
    const QByteArray oldHome = qgetenv("HOME");
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", "relative/data"); // ignored, as the XDG rules say
    for (const QByteArray &home : {QByteArray(), QByteArray("relative/home")}) {
        if (home.isEmpty())
            qunsetenv("HOME");
        else
            qputenv("HOME", home);
        QCOMPARE(platform().folderPath(Platform::Folder::Desktop), QString());
        QCOMPARE(platform().folderPath(Platform::Folder::Startup), QString());
        QCOMPARE(platform().folderPath(Platform::Folder::Programs), QString());
    }
    // An absolute XDG folder does not need HOME.
    qputenv("XDG_CONFIG_HOME", "/somewhere/config");
    QCOMPARE(platform().folderPath(Platform::Folder::Startup),
             QString("/somewhere/config/autostart"));
    qputenv("HOME", oldHome);
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
}

void tst_SystemPlatform::specialFoldersFollowXdgAndAreNotCreated()
{
    QTemporaryDir root;
    const QByteArray home = QFile::encodeName(root.filePath("家"));
    QVERIFY(QDir().mkpath(root.filePath("家")));
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/cfg");
    qputenv("XDG_DATA_HOME", home + "/data");
    QCOMPARE(platform().folderPath(Platform::Folder::Desktop), root.filePath("家/Desktop"));
    QCOMPARE(platform().folderPath(Platform::Folder::Startup), root.filePath("家/cfg/autostart"));
    QCOMPARE(platform().folderPath(Platform::Folder::Programs),
             root.filePath("家/data/applications"));
    QCOMPARE(
        QDir(root.filePath("家")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
        QStringList());

    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(platform().folderPath(Platform::Folder::Startup),
             root.filePath("家/.config/autostart"));
    QCOMPARE(platform().folderPath(Platform::Folder::Programs),
             root.filePath("家/.local/share/applications"));
}

void tst_SystemPlatform::lockIsHeldByOneProcessOnly()
{
    const QString name = QString("ZelvaneTestLock%1").arg(QCoreApplication::applicationPid());
    QProcess first, second;
    first.start(LOCKHOLDER, {name});
    QVERIFY(first.waitForReadyRead(5000));
    QCOMPARE(first.readLine().trimmed(), QByteArray("held"));

    second.start(LOCKHOLDER, {name});
    QVERIFY(second.waitForReadyRead(5000));
    QCOMPARE(second.readLine().trimmed(), QByteArray("refused"));
    second.closeWriteChannel();
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 1);

    // Freed when the holder ends, however it ends.
    first.kill();
    QVERIFY(first.waitForFinished(5000));
    QVERIFY(platform().holdSingleInstance(name));
    QVERIFY(!platform().holdSingleInstance(name)); // held now by this process
}

void tst_SystemPlatform::lockIsNotPassedToStartedPrograms()
{
    QTemporaryDir root;
    const QString sleeper = QString("zv-sleep-%1").arg(QCoreApplication::applicationPid());
    QVERIFY(QFile::link(QStandardPaths::findExecutable("sleep"), root.filePath(sleeper)));
    const QString name =
        QString("ZelvaneTestLockInherit%1").arg(QCoreApplication::applicationPid());

    QProcess holder;
    holder.start(LOCKHOLDER, {name, root.filePath(sleeper), "60"});
    QVERIFY(holder.waitForReadyRead(5000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("held"));
    QTRY_VERIFY(holder.canReadLine());
    QCOMPARE(holder.readLine().trimmed(), QByteArray("started"));
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));

    // The started program still runs, yet the lock is free again.
    QVERIFY(platform().holdSingleInstance(name));
    QVERIFY(platform().startHidden("taskkill /IM " + sleeper + " /F"));
}

void tst_SystemPlatform::lockIsPrivateToTheUser()
{
    // Without XDG_RUNTIME_DIR, a link of the lock's name planted in the shared temp folder is
    // never followed, and no file there is used at all.
    QTemporaryDir root;
    const QString name =
        QString("ZelvaneTestLockPrivate%1").arg(QCoreApplication::applicationPid());
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(root.path()));
    QVERIFY(QFile::link(root.filePath("created through the link"), root.filePath(name + ".lock")));

    QVERIFY(platform().holdSingleInstance(name));
    QVERIFY(!QFileInfo::exists(root.filePath("created through the link")));
    const QFileInfo folder(QDir::tempPath() + QString("/zelvane-%1").arg(getuid()));
    QVERIFY(folder.isDir() && !folder.isSymLink());
    QCOMPARE(folder.permissions()
                 & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
             QFileDevice::Permissions());
    // A runtime folder that others may write to is not the user's own: passed over.
    QVERIFY(QDir().mkpath(root.filePath("shared runtime")));
    QFile::setPermissions(root.filePath("shared runtime"), QFileDevice::Permissions(0x7777));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath("shared runtime")));
    QVERIFY(!platform().holdSingleInstance(name)); // the same private lock as before: held already
    QVERIFY(!QFileInfo::exists(root.filePath("shared runtime/" + name + ".lock")));

    qputenv("XDG_RUNTIME_DIR", oldRuntime);
    qputenv("TMPDIR", oldTmp);
}

void tst_SystemPlatform::startedProgramsAreReaped()
{
    QTemporaryDir root;
    writeScript(root.filePath("quick.exe"), "exit 0");
    for (int i = 0; i < 3; ++i)
        QVERIFY(platform().startHidden(Commands::openFile(root.path(), "quick.exe")));
    // No child of this process is left as a zombie once they have ended.
    const auto zombies = [] {
        int count = 0;
        const QString self = QString::number(QCoreApplication::applicationPid());
        for (const QString &pid : QDir("/proc").entryList(QDir::Dirs)) {
            QFile stat("/proc/" + pid + "/stat");
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            const QList<QByteArray> fields = stat.readAll().split(')').value(1).split(' ');
            count += fields.value(1) == "Z" && QString::fromLatin1(fields.value(2)) == self;
        }
        return count;
    };
    QTest::qWait(500);
    QTRY_COMPARE_WITH_TIMEOUT(zombies(), 0, 5000);
}

QTEST_GUILESS_MAIN(tst_SystemPlatform)
#include "tst_systemplatform.moc"
