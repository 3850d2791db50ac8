#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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

private:
    QString makeFolder(const QString &name, const QString &variant, bool withSelfUpdater = true);
    QProcess *start(const QString &launcherFolder, const QString &qpa = "none-such");
    static QString read(const QString &file);

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
    QVERIFY(QDir().mkpath(root->filePath("runtime")));
}

QString tst_LauncherProcess::makeFolder(const QString &name, const QString &variant,
                                        bool withSelfUpdater)
{
    const QString folder = root->filePath(name);
    QDir().mkpath(folder);
    QFile::copy(LAUNCHER, folder + "/launcher");
    QFile::setPermissions(folder + "/launcher", QFile::ReadOwner | QFile::ExeOwner);
    if (!variant.isEmpty())
        QFile::copy(QString(SAMPLES) + "/" + variant + "/" + library, folder + "/" + library);
    if (withSelfUpdater)
        QFile::copy(QString(SAMPLES) + "/updateSelf.exe", folder + "/updateSelf.exe");
    return folder;
}

QProcess *tst_LauncherProcess::start(const QString &launcherFolder, const QString &qpa)
{
    auto *process = new QProcess;
    processes << process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // A platform plugin that does not exist: making a GUI application would abort the program.
    env.insert("QT_QPA_PLATFORM", qpa);
    env.insert("XDG_RUNTIME_DIR", root->filePath("runtime")); // a lock of this test's own
    process->setProcessEnvironment(env);
    process->start(launcherFolder + "/launcher", {"--from", "test"});
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
    const QString folder = makeFolder("app", variant);
    const QString zup = folder + "/Zelvane 2.1 update.zup";
    if (package)
        QFile(zup).open(QIODevice::WriteOnly);
    if (variant == "padded")
        QFile(zup + "  ").open(QIODevice::WriteOnly); // exists as returned, blanks and all
    QProcess *launcher = start(folder);
    QVERIFY(launcher->waitForFinished(10000));
    QCOMPARE(launcher->exitStatus(), QProcess::NormalExit);
    QCOMPARE(launcher->exitCode(), 0);
    QCOMPARE(read(folder + "/orvixupdate.log"),
             QString("called app=no args=" + folder + "/launcher|--from|test"));
    if (updates)
        QTRY_COMPARE_WITH_TIMEOUT(read(folder + "/updateSelf.log"), zup, 10000);
    else
        QVERIFY(!QFile::exists(folder + "/updateSelf.log"));
}

void tst_LauncherProcess::secondCopyEndsAtOnce()
{
    const QString first = makeFolder("first", "slow");
    const QString second = makeFolder("second", "sample");
    QFile(second + "/update.zup").open(QIODevice::WriteOnly);
    QProcess *holder = start(first);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(first + "/orvixupdate.log"),
                             10000); // holds the lock now

    QElapsedTimer clock;
    clock.start();
    QProcess *copy = start(second);
    QVERIFY(copy->waitForFinished(10000));
    QCOMPARE(copy->exitStatus(), QProcess::NormalExit);
    QCOMPARE(copy->exitCode(), 0);
    QVERIFY2(clock.elapsed() < 2500, "the second copy waited for the first");
    QVERIFY(!QFile::exists(second + "/orvixupdate.log"));
    QVERIFY(!QFile::exists(second + "/updateSelf.log"));

    QVERIFY(holder->waitForFinished(10000));
    QCOMPARE(holder->exitCode(), 0);
    // Once the first has ended, the next one runs.
    QProcess *later = start(second);
    QVERIFY(later->waitForFinished(10000));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(second + "/updateSelf.log"), 10000);
}

void tst_LauncherProcess::plantedLibraryIsNeverLoaded()
{
    const QString folder = makeFolder("bare", QString());
    const QString planted = root->filePath("planted");
    QDir().mkpath(planted);
    QFile::copy(QString(SAMPLES) + "/sample/" + library, planted + "/" + library);
    auto *launcher = new QProcess;
    processes << launcher;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", root->filePath("runtime"));
    env.insert("LD_LIBRARY_PATH", planted);
    launcher->setProcessEnvironment(env);
    launcher->setWorkingDirectory(planted);
    launcher->start(folder + "/launcher");
    // It shows the "Error" box and waits for it to be answered.
    QVERIFY(!launcher->waitForFinished(1500));
    QCOMPARE(launcher->state(), QProcess::Running);
    QVERIFY(!QFile::exists(planted + "/orvixupdate.log"));
    QVERIFY(!QFile::exists(folder + "/orvixupdate.log"));
    launcher->kill();
    launcher->waitForFinished();
}

void tst_LauncherProcess::libraryWithItsOwnApplication()
{
    // The library makes its own application object and closes boxes by itself; the launcher
    // shows its box with that object instead of making a second one.
    const QString folder = makeFolder("ownapp", "ownapp", false);
    QFile(folder + "/update.zup").open(QIODevice::WriteOnly);
    QProcess *launcher = start(folder, "offscreen");
    QVERIFY(launcher->waitForFinished(10000));
    QCOMPARE(launcher->exitStatus(), QProcess::NormalExit);
    QCOMPARE(launcher->exitCode(), 1); // no self-updater beside it
    QVERIFY(read(folder + "/orvixupdate.log").startsWith("called app=no"));
}

QTEST_GUILESS_MAIN(tst_LauncherProcess)
#include "tst_launcher_process.moc"
