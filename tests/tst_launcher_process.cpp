#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace Qt::StringLiterals;

// The real launcher binary as a child process, copied with a library into a folder of its own.
class tst_LauncherProcess : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void silentPathsMakeNoGuiApplication_data();
    void silentPathsMakeNoGuiApplication();
    void secondCopyEndsAtOnce();
    void plantedLibraryIsNeverLoaded();
    void libraryWithItsOwnApplication();
    void withoutDisplayTheBoxGoesToStderr_data();
    void withoutDisplayTheBoxGoesToStderr();
    void onlyTheOneFileOfTheProvenFolderIsLoaded_data();
    void onlyTheOneFileOfTheProvenFolderIsLoaded();
    void cleanup();

private:
    QString makeFolder(const QString &name, const QString &variant, bool withSelfUpdater = true);
    QProcess *start(const QString &launcherFolder, const QString &qpa = u"none-such"_s);
    static QString read(const QString &file);
    // Runs `program` to its end with no display and a lock of this test's own; its status.
    int runWithoutDisplay(const QString &program, const QStringList &arguments, QByteArray *told);

    std::unique_ptr<QTemporaryDir> root;
    QList<QProcess *> processes;
};

namespace {
const QString library = QStringLiteral("orvixupdate.so");
}

void tst_LauncherProcess::init()
{
    qDeleteAll(processes);
    processes.clear();
    root = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(root->filePath(u"runtime"_s)));
    // Private, as a runtime folder must be: Qt would make one in /tmp instead.
    QVERIFY(QFile::setPermissions(root->filePath(u"runtime"_s),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QString tst_LauncherProcess::makeFolder(const QString &name, const QString &variant,
                                        bool withSelfUpdater)
{
    const QString folder = root->filePath(name);
    QDir().mkpath(folder);
    QFile::copy(QStringLiteral(LAUNCHER), folder + u"/launcher"_s);
    QFile::setPermissions(folder + u"/launcher"_s, QFile::ReadOwner | QFile::ExeOwner);
    if (!variant.isEmpty())
        QFile::copy(QStringLiteral(SAMPLES) + u"/"_s + variant + u"/"_s + library,
                    folder + u"/"_s + library);
    if (withSelfUpdater)
        QFile::copy(QStringLiteral(SAMPLES) + u"/updateSelf.exe"_s, folder + u"/updateSelf.exe"_s);
    return folder;
}

QProcess *tst_LauncherProcess::start(const QString &launcherFolder, const QString &qpa)
{
    auto *process = new QProcess;
    processes << process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // A platform plugin that does not exist: making a GUI application would abort the program.
    env.insert(u"QT_QPA_PLATFORM"_s, qpa);
    env.insert(u"XDG_RUNTIME_DIR"_s, root->filePath(u"runtime"_s)); // a lock of this test's own
    process->setProcessEnvironment(env);
    process->start(launcherFolder + u"/launcher"_s, {u"--from"_s, u"test"_s});
    return process;
}

QString tst_LauncherProcess::read(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

void tst_LauncherProcess::silentPathsMakeNoGuiApplication_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<bool>("package");
    QTest::addColumn<bool>("updates");
    QTest::newRow("update found") << "sample" << true << true;
    QTest::newRow("blanks after the path") << "padded" << true << true;
    QTest::newRow("no update") << "sample" << false << false;
    QTest::newRow("empty result") << "empty" << true << false;
    QTest::newRow("result does not exist") << "missing" << true << false;
}

void tst_LauncherProcess::silentPathsMakeNoGuiApplication()
{
    QFETCH(QString, variant);
    QFETCH(bool, package);
    QFETCH(bool, updates);
    const QString folder = makeFolder(u"app"_s, variant);
    const QString zup = folder + u"/Zelvane 2.1 update.zup"_s;
    if (package)
        QFile(zup).open(QIODevice::WriteOnly);
    if (variant == u"padded"_s)
        QFile(zup + u"  "_s).open(QIODevice::WriteOnly); // exists as returned, blanks and all
    QProcess *launcher = start(folder);
    QVERIFY(launcher->waitForFinished(10000));
    QCOMPARE(launcher->exitStatus(), QProcess::NormalExit);
    QCOMPARE(launcher->exitCode(), 0);
    QCOMPARE(read(folder + u"/orvixupdate.log"_s),
             QString(u"called app=no result=empty args="_s + folder + u"/launcher|--from|test"_s));
    if (updates)
        QTRY_COMPARE_WITH_TIMEOUT(read(folder + u"/updateSelf.log"_s), zup, 10000);
    else
        QVERIFY(!QFile::exists(folder + u"/updateSelf.log"_s));
}

void tst_LauncherProcess::secondCopyEndsAtOnce()
{
    const QString first = makeFolder(u"first"_s, u"slow"_s);
    const QString second = makeFolder(u"second"_s, u"sample"_s);
    QFile(second + u"/update.zup"_s).open(QIODevice::WriteOnly);
    QProcess *holder = start(first);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(first + u"/orvixupdate.log"_s),
                             10000); // holds the lock now

    QElapsedTimer clock;
    clock.start();
    QProcess *copy = start(second);
    QVERIFY(copy->waitForFinished(10000));
    QCOMPARE(copy->exitStatus(), QProcess::NormalExit);
    QCOMPARE(copy->exitCode(), 0);
    QVERIFY2(clock.elapsed() < 2500, "the second copy waited for the first");
    QVERIFY(!QFile::exists(second + u"/orvixupdate.log"_s));
    QVERIFY(!QFile::exists(second + u"/updateSelf.log"_s));

    QVERIFY(holder->waitForFinished(10000));
    QCOMPARE(holder->exitCode(), 0);
    // Once the first has ended, the next one runs.
    QProcess *later = start(second);
    QVERIFY(later->waitForFinished(10000));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(second + u"/updateSelf.log"_s), 10000);
}

void tst_LauncherProcess::plantedLibraryIsNeverLoaded()
{
    const QString folder = makeFolder(u"bare"_s, QString());
    const QString planted = root->filePath(u"planted"_s);
    QDir().mkpath(planted);
    QFile::copy(QStringLiteral(SAMPLES) + u"/sample/"_s + library, planted + u"/"_s + library);
    auto *launcher = new QProcess;
    processes << launcher;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"XDG_RUNTIME_DIR"_s, root->filePath(u"runtime"_s));
    env.insert(u"LD_LIBRARY_PATH"_s, planted);
    launcher->setProcessEnvironment(env);
    launcher->setWorkingDirectory(planted);
    launcher->start(folder + u"/launcher"_s);
    // It shows the "Error" box and waits for it to be answered.
    QVERIFY(!launcher->waitForFinished(1500));
    QCOMPARE(launcher->state(), QProcess::Running);
    QVERIFY(!QFile::exists(planted + u"/orvixupdate.log"_s));
    QVERIFY(!QFile::exists(folder + u"/orvixupdate.log"_s));
    launcher->kill();
    launcher->waitForFinished();
}

void tst_LauncherProcess::libraryWithItsOwnApplication()
{
    // The library makes its own application object and closes boxes by itself; the launcher
    // shows its box with that object instead of making a second one.
    const QString folder = makeFolder(u"ownapp"_s, u"ownapp"_s, false);
    QFile(folder + u"/update.zup"_s).open(QIODevice::WriteOnly);
    QProcess *launcher = start(folder, u"offscreen"_s);
    QVERIFY(launcher->waitForFinished(10000));
    QCOMPARE(launcher->exitStatus(), QProcess::NormalExit);
    QCOMPARE(launcher->exitCode(), 1); // no self-updater beside it
    QVERIFY(read(folder + u"/orvixupdate.log"_s).startsWith(u"called app=no"_s));
}

int tst_LauncherProcess::runWithoutDisplay(const QString &program, const QStringList &arguments,
                                           QByteArray *told)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        env.remove(name);
    env.insert(u"XDG_RUNTIME_DIR"_s, root->filePath(u"runtime"_s));
    QProcess launcher;
    launcher.setProcessEnvironment(env);
    launcher.start(program, arguments);
    if (!launcher.waitForFinished(10000) || launcher.exitStatus() != QProcess::NormalExit)
        return -1;
    *told = launcher.readAllStandardError();
    return launcher.exitCode();
}

void tst_LauncherProcess::withoutDisplayTheBoxGoesToStderr_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<bool>("selfUpdater");
    QTest::addColumn<QString>("told");
    QTest::addColumn<int>("status");
    QTest::newRow("no library") << QString() << true
                                << u"Error: File: orvixupdate.so is not correct library"_s << 0;
    QTest::newRow("no self-updater")
        << u"sample"_s << false << u"Pellora: 更新更新管理器出错！"_s << 1;
}

void tst_LauncherProcess::withoutDisplayTheBoxGoesToStderr()
{
    QFETCH(QString, variant);
    QFETCH(bool, selfUpdater);
    QFETCH(QString, told);
    QFETCH(int, status);
    const QString folder = makeFolder(u"app"_s, variant, selfUpdater);
    QFile(folder + u"/update.zup"_s).open(QIODevice::WriteOnly);
    QByteArray stderrText;
    QCOMPARE(runWithoutDisplay(folder + u"/launcher"_s, {}, &stderrText), status);
    QVERIFY2(QString::fromUtf8(stderrText).contains(told), qPrintable(told));
}

void tst_LauncherProcess::onlyTheOneFileOfTheProvenFolderIsLoaded_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("started through the dynamic loader") << "loader";
    QTest::newRow("folder name not UTF-8, look-alike beside it") << "not utf-8";
    QTest::newRow("only liborvixupdate.so") << "lib prefix";
    QTest::newRow("only haswell/orvixupdate.so") << "haswell";
}

void tst_LauncherProcess::onlyTheOneFileOfTheProvenFolderIsLoaded()
{
    QFETCH(QString, how);
    const QString sample = QStringLiteral(SAMPLES) + u"/sample/"_s + library;
    const QString folder = makeFolder(u"prod"_s, QString());
    QString program = folder + u"/launcher"_s;
    QStringList arguments;
    QStringList planted; // folders given the library under its own name
    if (how == u"loader"_s) {
        // /proc/self/exe names the loader, whose folder holds a library too.
        const QString tools = root->filePath(u"tools"_s);
        QDir().mkpath(tools);
        QVERIFY(QFile::copy(QFileInfo(u"/lib64/ld-linux-x86-64.so.2"_s).canonicalFilePath(),
                            tools + u"/ld.so"_s));
        arguments = {program};
        program = tools + u"/ld.so"_s;
        planted = {tools, folder};
    } else if (how == u"not utf-8"_s) {
        // prod\xff reads as prod\uFFFD, which is written back as the sibling's name.
        const QByteArray real = QFile::encodeName(root->path()) + "/prod\xff";
        QCOMPARE(std::rename(QFile::encodeName(folder).constData(), real.constData()), 0);
        planted = {root->filePath(u"prod\uFFFD"_s)};
        program = u"/bin/sh"_s;
        arguments = {u"-c"_s, u"exec \"$0\"/prod*/launcher"_s, root->path()};
    } else if (how == u"lib prefix"_s) {
        QVERIFY(QFile::copy(sample, folder + u"/lib"_s + library));
    } else {
        planted = {folder + u"/haswell"_s};
    }
    for (const QString &where : planted) {
        QDir().mkpath(where);
        QFile::copy(sample, where + u"/"_s + library);
    }

    QByteArray told;
    QCOMPARE(runWithoutDisplay(program, arguments, &told), 0);
    QVERIFY(told.contains("is not correct library"));
    for (const QString &where : planted << folder)
        QVERIFY2(!QFile::exists(where + u"/orvixupdate.log"_s), qPrintable(where));
}

void tst_LauncherProcess::cleanup()
{
    qDeleteAll(processes);
    processes.clear();
    // A folder name that is not UTF-8 does not survive QDir's removal: rm walks the bytes.
    QProcess::execute(u"rm"_s, {u"-rf"_s, root->path()});
}

QTEST_GUILESS_MAIN(tst_LauncherProcess)
#include "tst_launcher_process.moc"
