#include "commands.h"
#include "testfiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The uninstaller as a process with the real platform, started from inside a product folder
// in a sandbox of its own (HOME and XDG folders), clicked through as a user would.
class tst_UninstallerProcess : public QObject, private InstalledHome
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void wholeRunThroughStartButton();
    void closingBeforeFifteenRemovesNothing();
    void unprovenFolderRemovesNothing_data();
    void unprovenFolderRemovesNothing();
    void deadMountInsideDoesNotHoldTheRun();
    void protectedFolderStays_data();
    void protectedFolderStays();
    void cleanup();

private:
    int runDriver(const QStringList &arguments);
    QProcessEnvironment driverEnvironment() const; // the sandbox's home, off screen
    bool mountTmpfs(const QString &folder);
    bool bindMount(const QString &from, const QString &onto);
    QStringList everything() const;

    std::unique_ptr<QTemporaryDir> sandbox;
    QString group, outside;
    QStringList mounts; // undone, last first, before the sandbox goes
    bool privateMounts = false;
};

void tst_UninstallerProcess::initTestCase()
{
    // As root, volumes are mounted in a mount namespace of this process only: whatever happens
    // to the run, the machine's own mounts never see them.
    if (geteuid() == 0 && unshare(CLONE_NEWNS) == 0)
        privateMounts = mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

void tst_UninstallerProcess::init()
{
    sandbox = std::make_unique<QTemporaryDir>();
    layOut(sandbox->filePath(u"home"_s), u"Desktop"_s, Product::shortcutName());
    group = programs + u"/Zelvane2.0"_s;
    outside = sandbox->filePath(u"outside"_s);
    for (const QString &file :
         QStringList{product + u"/lessons/数学/第一课.txt"_s, product + u"/paint 🎨/palette.txt"_s,
                     product + u"/lessons/.settings"_s, desktop + u"/drawing.png"_s,
                     group + u"/Zelvane.desktop"_s, group + u"/sub/uninstall.desktop"_s,
                     outside + u"/canary"_s})
        touch(file);
    QVERIFY(QFile::link(outside, product + u"/link to outside"_s));
    QVERIFY(QFile::copy(QStringLiteral(UNINSTALLDRIVER), product + u"/uninstaller"_s));
    QVERIFY(QFile::setPermissions(product + u"/uninstaller"_s,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

int tst_UninstallerProcess::runDriver(const QStringList &arguments)
{
    QProcess driver;
    driver.setProcessEnvironment(driverEnvironment());
    driver.setWorkingDirectory(sandbox->path());
    driver.start(product + u"/uninstaller"_s, arguments);
    if (!driver.waitForFinished(30000))
        return -1;
    return driver.exitStatus() == QProcess::NormalExit ? driver.exitCode() : -2;
}

QProcessEnvironment tst_UninstallerProcess::driverEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home);
    env.remove(u"XDG_CONFIG_HOME"_s);
    env.remove(u"XDG_DATA_HOME"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    return env;
}

QStringList tst_UninstallerProcess::everything() const
{
    QStringList found;
    QDirIterator it(sandbox->path(),
                    QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next().mid(sandbox->path().size() + 1);
    found.sort();
    return found;
}

void tst_UninstallerProcess::wholeRunThroughStartButton()
{
    QCOMPARE(runDriver({u"full"_s}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(group), 10000); // removed by a detached rm
    const QStringList expected = {u"home"_s,
                                  u"home/.config"_s,
                                  u"home/.config/autostart"_s,
                                  u"home/.local"_s,
                                  u"home/.local/share"_s,
                                  u"home/.local/share/applications"_s,
                                  u"home/Desktop"_s,
                                  u"home/Desktop/drawing.png"_s,
                                  u"home/Zelvane2.0"_s,
                                  u"home/Zelvane2.0/lessons"_s,
                                  u"home/Zelvane2.0/lessons/.settings"_s,
                                  u"outside"_s,
                                  u"outside/canary"_s};
    QCOMPARE(everything(), expected);
}

void tst_UninstallerProcess::closingBeforeFifteenRemovesNothing()
{
    const QStringList before = everything();
    QCOMPARE(runDriver({u"close-at"_s, u"10"_s}), 0);
    QTest::qWait(300);
    QCOMPARE(everything(), before);
}

void tst_UninstallerProcess::cleanup()
{
    while (!mounts.isEmpty())
        umount2(QFile::encodeName(mounts.takeLast()).constData(), MNT_DETACH);
    // Deeper than a path may be: rm walks it by descriptors.
    QProcess::execute(u"rm"_s, {u"-rf"_s, sandbox->path()});
}

bool tst_UninstallerProcess::mountTmpfs(const QString &folder)
{
    QDir().mkpath(folder);
    if (!privateMounts
        || mount("zelvanetest", QFile::encodeName(folder).constData(), "tmpfs", 0, nullptr) != 0)
        return false;
    mounts << folder;
    return true;
}

bool tst_UninstallerProcess::bindMount(const QString &from, const QString &onto)
{
    if (!privateMounts
        || mount(QFile::encodeName(from).constData(), QFile::encodeName(onto).constData(), nullptr,
                 MS_BIND, nullptr)
               != 0)
        return false;
    mounts << onto;
    return true;
}

void tst_UninstallerProcess::unprovenFolderRemovesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("started through the dynamic loader") << "loader";
    QTest::newRow("own file deleted, a link in its name") << "deleted";
    QTest::newRow("folder name not UTF-8, look-alike beside it") << "not utf-8";
    QTest::newRow("path longer than the system names") << "too long";
    QTest::newRow("root of a mounted volume") << "mount root";
    QTest::newRow("volume lazily unmounted") << "unmounted";
    QTest::newRow("started through a hard link in another folder") << "hard link";
    QTest::newRow("mounted over a file in another folder") << "mounted file";
    QTest::newRow("moved to another folder before Start") << "moved";
}

// Each way of making the program's own folder unprovable or not its own, against the folder
// the old text-based answer would have emptied: that one must keep all it holds.
void tst_UninstallerProcess::unprovenFolderRemovesNothing()
{
    QFETCH(QString, how);
    // Only on the copies this test made: the rows that go through a shell start the system's
    // own, whose mode is not the test's to change.
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const QString driver = QStringLiteral(UNINSTALLDRIVER);
    const QByteArray root = QFile::encodeName(sandbox->path());
    QString program = product + u"/uninstaller"_s, victim = outside;
    QStringList arguments = {u"full"_s};
    bool said = true; // the run says that it removed nothing
    QByteArray lesson = QFile::encodeName(product + u"/lessons/数学/第一课.txt"_s);
    if (how == u"loader"_s) {
        victim = sandbox->filePath(u"tools"_s);
        touch(victim + u"/keep"_s);
        QVERIFY(QFile::copy(QFileInfo(u"/lib64/ld-linux-x86-64.so.2"_s).canonicalFilePath(),
                            victim + u"/ld.so"_s));
        arguments.prepend(program);
        program = victim + u"/ld.so"_s;
    } else if (how == u"deleted"_s) {
        arguments << u"start-when"_s << sandbox->filePath(u"go"_s);
    } else if (how == u"not utf-8"_s) {
        // prod\xff reads as prod\uFFFD, which is written back as the sibling's name.
        victim = sandbox->filePath(u"prod\uFFFD"_s);
        touch(victim + u"/canary"_s);
        QCOMPARE(std::rename(QFile::encodeName(product).constData(),
                             QByteArray(root + "/prod\xff").constData()),
                 0);
        lesson = root + "/prod\xff/lessons/" + QFile::encodeName(u"数学/第一课.txt"_s);
        arguments = QStringList{u"-c"_s, u"exec \"$0\"/prod*/uninstaller full"_s, sandbox->path()};
        program = u"/bin/sh"_s;
    } else if (how == u"too long"_s) {
        // 20 folders of 250 characters, reached step by step: no single path names them
        // (bash, unlike dash, changes folder by the relative name once the path is too long; env
        // runs the program by its relative name, where bash would spell out the whole path).
        QString script = u"cd \"$0\""_s;
        for (int i = 0; i < 20; ++i) {
            const QString step = QString(250, QChar(u'a' + i));
            script += u" && mkdir "_s + step + u" && cd "_s + step;
        }
        QCOMPARE(QProcess::execute(u"/bin/bash"_s, {u"-c"_s, script, product}), 0);
        victim = product;
        script.replace(u"mkdir "_s, u"test -d "_s);
        arguments = QStringList{
            u"-c"_s, script + u" && cp \"$1\" uninstaller && exec env ./uninstaller full"_s,
            product, driver};
        program = u"/bin/bash"_s;
    } else if (how == u"mount root"_s) {
        const QString volume = sandbox->filePath(u"volume"_s);
        if (!mountTmpfs(volume))
            QSKIP("needs root to mount a volume");
        touch(volume + u"/canary"_s);
        QVERIFY(QFile::copy(driver, volume + u"/uninstaller"_s));
        program = volume + u"/uninstaller"_s;
        QVERIFY(QFile::setPermissions(program, ownerOnly));
        victim = volume;
        said = false; // told as a volume's root
    } else if (how == u"hard link"_s || how == u"mounted file"_s || how == u"moved"_s) {
        victim = sandbox->filePath(u"victim"_s);
        touch(victim + u"/canary"_s);
        program = victim + u"/uninstaller"_s;
        if (how == u"hard link"_s) {
            QCOMPARE(::link(QFile::encodeName(product + u"/uninstaller"_s).constData(),
                            QFile::encodeName(program).constData()),
                     0);
        } else if (how == u"mounted file"_s) {
            touch(program);
            if (!bindMount(product + u"/uninstaller"_s, program))
                QSKIP("needs root to mount a file over another");
        } else {
            program = product + u"/uninstaller"_s;
            arguments << u"start-when"_s << sandbox->filePath(u"go"_s);
        }
    } else if (how == u"unmounted"_s) {
        // Inside the volume the program lies where, seen from the volume's own root, the
        // victim lies on the main file system: once the volume is detached, its name is the
        // victim's.
        const QString volume = sandbox->filePath(u"volume"_s);
        if (!mountTmpfs(volume))
            QSKIP("needs root to mount a volume");
        victim = sandbox->filePath(u"victim"_s);
        touch(victim + u"/canary"_s);
        touch(victim + u"/uninstaller"_s);
        const QString inside = volume + victim;
        QVERIFY(QDir().mkpath(inside));
        QVERIFY(QFile::copy(driver, inside + u"/uninstaller"_s));
        program = inside + u"/uninstaller"_s;
        QVERIFY(QFile::setPermissions(program, ownerOnly));
        arguments << u"start-when"_s << sandbox->filePath(u"go"_s);
    }

    QProcess run;
    run.setProcessEnvironment(driverEnvironment());
    run.start(program, arguments);
    QVERIFY(run.waitForStarted());
    if (how == u"deleted"_s) {
        QVERIFY(run.waitForReadyRead(10000)); // "shown"
        QVERIFY(QFile::remove(product + u"/uninstaller"_s));
        QVERIFY(QFile::link(outside + u"/canary"_s, product + u"/uninstaller (deleted)"_s));
    } else if (how == u"moved"_s) {
        QVERIFY(run.waitForReadyRead(10000)); // "shown"
        QVERIFY(QFile::rename(product + u"/uninstaller"_s, victim + u"/uninstaller"_s));
    } else if (how == u"unmounted"_s) {
        QVERIFY(run.waitForReadyRead(10000)); // "shown"
        QCOMPARE(umount2(QFile::encodeName(mounts.takeLast()).constData(), MNT_DETACH), 0);
    }
    touch(sandbox->filePath(u"go"_s));
    QVERIFY(run.waitForFinished(30000));
    QCOMPARE(run.exitCode(), 0);
    QVERIFY(QDir(victim).exists());
    QVERIFY2(!QDir(victim).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot), qPrintable(victim));
    QVERIFY(QFile::exists(outside + u"/canary"_s));
    QCOMPARE(access(lesson.constData(), F_OK), 0);
    const QString told = QString::fromUtf8(run.readAllStandardOutput());
    QVERIFY2(told.contains(said ? u"无法确认"_s : u"根目录"_s), qPrintable(told));
}

void tst_UninstallerProcess::deadMountInsideDoesNotHoldTheRun()
{
    // A FUSE volume whose server never answers: every request to it waits for ever.
    const QString stick = product + u"/stick"_s;
    QDir().mkpath(stick);
    const int server = open("/dev/fuse", O_RDWR | O_CLOEXEC);
    const QByteArray options =
        "fd=" + QByteArray::number(server) + ",rootmode=40000,user_id=0,group_id=0";
    if (server < 0 || !privateMounts
        || mount("zelvanetest", QFile::encodeName(stick).constData(), "fuse.zelvanetest", 0,
                 options.constData())
               != 0) {
        if (server >= 0)
            close(server);
        QSKIP("needs root and /dev/fuse");
    }
    mounts << stick;
    const auto closeServer = qScopeGuard([server] { close(server); });

    QCOMPARE(runDriver({u"full"_s}), 0);
    QVERIFY(!QFile::exists(product + u"/lessons/数学/第一课.txt"_s));
    QVERIFY(QFile::exists(outside + u"/canary"_s));
}

void tst_UninstallerProcess::protectedFolderStays_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("root: another account's Documents, named in its user-dirs.dirs") << "pupil's";
    QTest::newRow("root: another account's home") << "pupil's home";
    QTest::newRow("HOME elsewhere: the account's own Documents") << "account's";
    QTest::newRow("Documents reached through a bind mount of home") << "bound home";
    QTest::newRow("Start-menu group mounted over Documents") << "group mounted";
    QTest::newRow("relative Desktop in user-dirs.dirs") << "relative desktop";
}

// Folders that are the user's, the account's or another account's, however reached: a run of
// the uninstaller lying in them or pointed at them leaves them as they are.
void tst_UninstallerProcess::protectedFolderStays()
{
    QFETCH(QString, how);
    const QString documents = home + u"/Documents"_s;
    touch(documents + u"/homework.txt"_s);
    QString program = product + u"/uninstaller"_s, victim = documents;
    QString current = sandbox->path();
    QString keeps = u"homework.txt"_s; // what the victim must still hold
    const auto placeProgram = [&](const QString &folder) {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(QStringLiteral(UNINSTALLDRIVER), folder + u"/uninstaller"_s));
        program = folder + u"/uninstaller"_s;
    };
    if (how.startsWith(u"pupil's"_s) || how == u"account's"_s) {
        // The password database as this test's own mount namespace sees it: root's home and
        // another account's, each naming its Documents in its user-dirs.dirs.
        const QString rootHome = sandbox->filePath(u"roothome"_s);
        const QString pupil = sandbox->filePath(u"pupil"_s);
        for (const QString &each : {rootHome, pupil}) {
            QFile dirs(each + u"/.config/user-dirs.dirs"_s);
            QVERIFY(QDir().mkpath(each + u"/.config"_s));
            QVERIFY(dirs.open(QIODevice::WriteOnly));
            dirs.write("# written by hand\nXDG_DOCUMENTS_DIR=\"$HOME/作业\"\n");
            touch(each + u"/作业/canary"_s);
        }
        QFile passwd(sandbox->filePath(u"passwd"_s));
        QVERIFY(passwd.open(QIODevice::WriteOnly));
        passwd.write("root:x:0:0:root:" + QFile::encodeName(rootHome)
                     + ":/bin/sh\npupil:x:1500:1500::" + QFile::encodeName(pupil) + ":/bin/sh\n");
        passwd.close();
        if (geteuid() != 0 || !bindMount(passwd.fileName(), u"/etc/passwd"_s))
            QSKIP("needs root, and a mount namespace of the test's own");
        victim = how == u"pupil's home"_s ? pupil
                 : how == u"pupil's"_s    ? pupil + u"/作业"_s
                                          : rootHome + u"/作业"_s;
        keeps = how == u"pupil's home"_s ? u".config"_s : u"canary"_s;
        placeProgram(victim);
    } else if (how == u"bound home"_s) {
        const QString alias = sandbox->filePath(u"alias"_s);
        QVERIFY(QDir().mkpath(alias));
        if (!bindMount(home, alias))
            QSKIP("needs root to mount");
        placeProgram(alias + u"/Documents"_s);
    } else if (how == u"group mounted"_s) {
        if (!bindMount(documents, group))
            QSKIP("needs root to mount");
    } else if (how == u"relative desktop"_s) {
        QFile dirs(home + u"/.config/user-dirs.dirs"_s);
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_DESKTOP_DIR=\"Desktop\"\n");
        current = sandbox->filePath(u"current"_s);
        victim = current + u"/Desktop"_s;
        keeps = Product::shortcutName();
        touch(victim + u'/' + keeps);
    }

    QProcess run;
    run.setProcessEnvironment(driverEnvironment());
    run.setWorkingDirectory(current);
    run.start(program, {u"full"_s});
    QVERIFY(run.waitForFinished(30000));
    QCOMPARE(run.exitCode(), 0);
    QVERIFY2(QFile::exists(victim + u'/' + keeps), qPrintable(victim));
    const QString told = QString::fromUtf8(run.readAllStandardOutput());
    if (how == u"group mounted"_s)
        QVERIFY2(told.contains(u"不属于本产品"_s), qPrintable(told));
    if (how == u"relative desktop"_s)
        QVERIFY(!entryExists(desktop + u'/' + Product::shortcutName()));
}

QTEST_GUILESS_MAIN(tst_UninstallerProcess)
#include "tst_uninstaller_process.moc"
