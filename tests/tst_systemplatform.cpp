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

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The POSIX stand-ins for cmd, del, rmdir and taskkill, run for real on temporary files
// and processes.
class tst_SystemPlatform : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
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

    QTemporaryDir runtime; // the locks' folder: none left in the machine's own
};

void tst_SystemPlatform::initTestCase()
{
    QVERIFY(QFile::setPermissions(runtime.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
}

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
    const QString tmp = root.filePath(u"my 临时 folder"_s);
    QVERIFY(QDir().mkpath(tmp));
    // It takes a while, and the caller must not wait for it.
    writeScript(tmp + u"/setup.exe"_s, "sleep 1; echo \"$# [$*]\" > \"$(dirname \"$0\")/ran\"");

    QElapsedTimer clock;
    clock.start();
    QVERIFY(platform().startHidden(Commands::runSetup(tmp)));
    QVERIFY2(clock.elapsed() < 900, "startHidden waited for the program");
    QVERIFY(!QFile::exists(tmp + u"/ran"_s));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(tmp + u"/ran"_s) && !readAll(tmp + u"/ran"_s).isEmpty(),
                             10000);
    QCOMPARE(readAll(tmp + u"/ran"_s), u"0 []"_s);
}

void tst_SystemPlatform::reportsWhatCannotStart()
{
    QTemporaryDir root;
    QVERIFY(!platform().startHidden(u"zelvane-no-such-program --flag"_s));
    QVERIFY(!platform().startHidden(Commands::runSetup(root.path()))); // no setup.exe there
    QFile plain(root.filePath(u"data.txt"_s));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(!platform().startHidden(root.filePath(u"data.txt"_s))); // not executable
    QVERIFY(!platform().startHidden(QString()));
}

void tst_SystemPlatform::deleteRemovesOneFile()
{
    QTemporaryDir root;
    const QString startup = root.filePath(u"自动 start"_s);
    QVERIFY(QDir().mkpath(startup));
    const QString lnk = Product::shortcutName();
    for (const QString &name : {lnk, u"other.lnk"_s}) {
        QFile file(startup + u"/"_s + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(platform().startHidden(Commands::deleteFile(startup, lnk)));
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(startup + u"/"_s + lnk), 10000);
    QVERIFY(QFile::exists(startup + u"/other.lnk"_s));
    QVERIFY(QFileInfo(startup).isDir());

    // del does not remove folders.
    QVERIFY(QDir(startup).mkdir(u"folder"_s));
    QVERIFY(platform().startHidden(Commands::deleteFile(startup, u"folder"_s)));
    QTest::qWait(500);
    QVERIFY(QFileInfo(startup + u"/folder"_s).isDir());
}

void tst_SystemPlatform::rmdirRemovesTreeButNotWhatLinksPointTo()
{
    QTemporaryDir root;
    const QString programs = root.filePath(u"applications"_s);
    const QString group = programs + u"/"_s + Product::groupName();
    const QString outside = root.filePath(u"outside"_s);
    QVERIFY(QDir().mkpath(group + u"/sub dir/深"_s));
    QVERIFY(QDir().mkpath(outside));
    for (const QString &file :
         QStringList{group + u"/a.desktop"_s, group + u"/sub dir/深/b"_s, outside + u"/canary"_s}) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QFile::link(outside, group + u"/link to outside"_s));
    QVERIFY(QFile::link(outside + u"/canary"_s, group + u"/sub dir/canary link"_s));

    QVERIFY(platform().startHidden(Commands::removeFolder(programs, Product::groupName())));
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(group), 10000);
    QVERIFY(QFile::exists(outside + u"/canary"_s));
    QVERIFY(QFileInfo(programs).isDir());
}

void tst_SystemPlatform::taskkillEndsOnlyProcessesOfThatName()
{
    QTemporaryDir root;
    const QString sleep = QStandardPaths::findExecutable(u"sleep"_s);
    QVERIFY(!sleep.isEmpty());
    QVERIFY(QFile::link(sleep, root.filePath(u"loding.exe"_s)));
    QProcess splash;
    splash.start(root.filePath(u"loding.exe"_s), {u"60"_s});
    QVERIFY(splash.waitForStarted());
    // Only the exact name: blanks around it make another program.
    QList<QProcess *> others;
    for (const QString &name : {u"loding.exe.bak"_s, u" loding.exe"_s, u"loding.exe "_s}) {
        QVERIFY(QFile::link(sleep, root.filePath(name)));
        others << new QProcess(this);
        others.last()->start(root.filePath(name), {u"60"_s});
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
    const QString marker = root.filePath(u"planted ran"_s);
    const QString own = QCoreApplication::applicationDirPath();
    const QStringList planted = {own + u"/rm"_s, own + u"/xdg-open"_s, root.filePath(u"rm"_s),
                                 root.filePath(u"xdg-open"_s)};
    for (const QString &tool : planted)
        writeScript(tool, "echo \"$0 $*\" >> \"" + QFile::encodeName(marker) + "\"");
    // A link to the program's folder on PATH is that folder.
    QVERIFY(QFile::link(own, root.filePath(u"ownlink"_s)));
    const auto restore = keepEnvironment({"PATH"});
    const QString before = QDir::currentPath();
    const auto back = qScopeGuard([&before] { QDir::setCurrent(before); });
    QDir::setCurrent(root.path());
    qputenv("PATH", QFile::encodeName(root.filePath(u"ownlink"_s)) + "::/nowhere");

    touch(root.filePath(u"shortcut.lnk"_s));
    touch(root.filePath(u"group/inside"_s));
    touch(root.filePath(u"document.txt"_s));
    QVERIFY(platform().startHidden(Commands::deleteFile(root.path(), u"shortcut.lnk"_s)));
    QVERIFY(platform().startHidden(Commands::removeFolder(root.path(), u"group"_s)));
    QVERIFY(!platform().startHidden(
        Commands::openFile(root.path(), u"document.txt"_s))); // no xdg-open on PATH
    QVERIFY(!platform().startHidden(u"xdg-open document.txt"_s));
    QVERIFY(!platform().startHidden(u"cmd /C \"document.txt\""_s));

    QTest::qWait(300);
    for (const QString &tool : planted)
        QFile::remove(tool);
    QVERIFY(!QFileInfo::exists(root.filePath(u"shortcut.lnk"_s)));
    QVERIFY(!QFileInfo::exists(root.filePath(u"group"_s)));
    QVERIFY2(!QFile::exists(marker), qPrintable(readAll(marker)));
}

void tst_SystemPlatform::unusableHomeMakesFoldersUnknown()
{
    const auto restore = keepEnvironment({"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"});
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
    QCOMPARE(platform().folderPath(Platform::Folder::Startup), u"/somewhere/config/autostart"_s);
}

void tst_SystemPlatform::specialFoldersFollowXdgAndAreNotCreated()
{
    QTemporaryDir root;
    const QByteArray home = QFile::encodeName(root.filePath(u"家"_s));
    QVERIFY(QDir().mkpath(root.filePath(u"家"_s)));
    const auto restore = keepEnvironment({"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"});
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/cfg");
    qputenv("XDG_DATA_HOME", home + "/data");
    QCOMPARE(platform().folderPath(Platform::Folder::Desktop), root.filePath(u"家/Desktop"_s));
    QCOMPARE(platform().folderPath(Platform::Folder::Startup),
             root.filePath(u"家/cfg/autostart"_s));
    QCOMPARE(platform().folderPath(Platform::Folder::Programs),
             root.filePath(u"家/data/applications"_s));
    QCOMPARE(QDir(root.filePath(u"家"_s))
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());

    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(platform().folderPath(Platform::Folder::Startup),
             root.filePath(u"家/.config/autostart"_s));
    QCOMPARE(platform().folderPath(Platform::Folder::Programs),
             root.filePath(u"家/.local/share/applications"_s));
}

void tst_SystemPlatform::lockIsHeldByOneProcessOnly()
{
    const QString name = u"ZelvaneTestLock%1"_s.arg(QCoreApplication::applicationPid());
    QProcess first, second;
    first.start(QStringLiteral(LOCKHOLDER), {name});
    QVERIFY(first.waitForReadyRead(5000));
    QCOMPARE(first.readLine().trimmed(), QByteArray("held"));

    second.start(QStringLiteral(LOCKHOLDER), {name});
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
    const QString sleeper = u"zv-sleep-%1"_s.arg(QCoreApplication::applicationPid());
    QVERIFY(QFile::link(QStandardPaths::findExecutable(u"sleep"_s), root.filePath(sleeper)));
    const QString name = u"ZelvaneTestLockInherit%1"_s.arg(QCoreApplication::applicationPid());

    QProcess holder;
    holder.start(QStringLiteral(LOCKHOLDER), {name, root.filePath(sleeper), u"60"_s});
    QVERIFY(holder.waitForReadyRead(5000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("held"));
    QTRY_VERIFY(holder.canReadLine());
    QCOMPARE(holder.readLine().trimmed(), QByteArray("started"));
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));

    // The started program still runs, yet the lock is free again.
    QVERIFY(platform().holdSingleInstance(name));
    QVERIFY(platform().startHidden(u"taskkill /IM "_s + sleeper + u" /F"_s));
}

void tst_SystemPlatform::lockIsPrivateToTheUser()
{
    // Without XDG_RUNTIME_DIR, a link of the lock's name planted in the shared temp folder is
    // never followed, and no file there is used at all.
    QTemporaryDir root;
    const QString name = u"ZelvaneTestLockPrivate%1"_s.arg(QCoreApplication::applicationPid());
    const auto restore = keepEnvironment({"XDG_RUNTIME_DIR", "TMPDIR"});
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(root.path()));
    QVERIFY(QFile::link(root.filePath(u"created through the link"_s),
                        root.filePath(name + u".lock"_s)));

    QVERIFY(platform().holdSingleInstance(name));
    QVERIFY(!QFileInfo::exists(root.filePath(u"created through the link"_s)));
    const QFileInfo folder(QDir::tempPath() + u"/zelvane-%1"_s.arg(getuid()));
    QVERIFY(folder.isDir() && !folder.isSymLink());
    QCOMPARE(folder.permissions()
                 & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
             QFileDevice::Permissions());
    // A runtime folder that others may write to is not the user's own: passed over.
    QVERIFY(QDir().mkpath(root.filePath(u"shared runtime"_s)));
    QFile::setPermissions(root.filePath(u"shared runtime"_s), QFileDevice::Permissions(0x7777));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath(u"shared runtime"_s)));
    QVERIFY(!platform().holdSingleInstance(name)); // the same private lock as before: held already
    QVERIFY(!QFileInfo::exists(root.filePath(u"shared runtime/"_s + name + u".lock"_s)));

    // A TMPDIR that names no folder: /tmp, as the C library takes it, with the same checks;
    // never a lock that cannot be made, which would let every copy run.
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(root.filePath(u"gone"_s)));
    const QString other = name + u"Gone"_s;
    const QByteArray shared = "/tmp/zelvane-" + QByteArray::number(getuid());
    const bool sharedWasThere = access(shared.constData(), F_OK) == 0;
    QVERIFY(platform().holdSingleInstance(other));
    const QByteArray lock = shared + '/' + QFile::encodeName(other) + ".lock";
    const auto tidy = qScopeGuard([&] {
        ::unlink(lock.constData());
        if (!sharedWasThere)
            ::rmdir(shared.constData());
    });
    const int probe = ::open(lock.constData(), O_RDWR | O_CLOEXEC);
    QVERIFY2(probe >= 0, lock.constData());
    QCOMPARE(::flock(probe, LOCK_EX | LOCK_NB), -1); // held by the call above
    ::close(probe);
}

void tst_SystemPlatform::startedProgramsAreReaped()
{
    QTemporaryDir root;
    writeScript(root.filePath(u"quick.exe"_s), "exit 0");
    for (int i = 0; i < 3; ++i)
        QVERIFY(platform().startHidden(Commands::openFile(root.path(), u"quick.exe"_s)));
    // No child of this process is left as a zombie once they have ended.
    const auto zombies = [] {
        int count = 0;
        const QString self = QString::number(QCoreApplication::applicationPid());
        for (const QString &pid : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
            QFile stat(u"/proc/"_s + pid + u"/stat"_s);
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
