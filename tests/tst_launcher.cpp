#include "boxanswerer.h"
#include "systemplatform.h"
#include "updatelauncher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
// What the stand-in self-updater notes: on Windows its whole command line, elsewhere its words.
QString expectedCommandLine(const QString &path)
{
#ifdef Q_OS_WIN
    return "updateSelf.exe " + path;
#else
    return path;
#endif
}

// A library with a Qt of its own (static builds) cannot see the launcher's application object.
#ifdef QT_STATIC
const QString libraryShares = "no";
#else
const QString libraryShares = "yes";
#endif
} // namespace

// The launch sequence in this process, against real libraries built for it, answering the
// real message boxes. Only the lock and the launcher's folder are the test's.
class tst_Launcher : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startsSelfUpdaterWithPath_data();
    void startsSelfUpdaterWithPath();
    void nothingToDo_data();
    void nothingToDo();
    void noLibraryShowsLoaderError();
    void plantedLibraryIsNeverLoaded();
    void missingExportWarns();
    void plainFunctionExportWarnsWithoutCrash();
    void missingSelfUpdaterFails();
    void secondCopyEndsAtOnce();

private:
    int runLauncher();
    void install(const QString &variant, bool withSelfUpdater = true);
    QString readLog(const QString &name) const;

    class TestPlatform final : public SystemPlatform
    {
    public:
        QString folder;
        bool lockTaken = false;
        QString startedProgram;
        QString programFolder() override { return folder; }
        bool launch(const QString &program, const QString &commandLine) override
        {
            startedProgram = program;
            return SystemPlatform::launch(program, commandLine);
        }
        bool holdSingleInstance(const QString &name) override
        {
            return name == "OrvixUpdateManager" && !lockTaken;
        }
    };
    TestPlatform testPlatform;
    std::unique_ptr<QTemporaryDir> folder;
};

void tst_Launcher::init()
{
    folder = std::make_unique<QTemporaryDir>();
    testPlatform.folder = folder->path();
    testPlatform.lockTaken = false;
    testPlatform.startedProgram.clear();
    setPlatform(&testPlatform);
}

void tst_Launcher::cleanup()
{
    setPlatform(nullptr);
}

void tst_Launcher::install(const QString &variant, bool withSelfUpdater)
{
    const QString library = UpdateLauncher::libraryFileName();
    QVERIFY(
        QFile::copy(QString(SAMPLES) + "/" + variant + "/" + library, folder->filePath(library)));
    if (withSelfUpdater)
        QVERIFY(
            QFile::copy(QString(SAMPLES) + "/updateSelf.exe", folder->filePath("updateSelf.exe")));
}

int tst_Launcher::runLauncher()
{
    QByteArray program = "launcher", option = "--quiet";
    char *argv[] = {program.data(), option.data(), nullptr};
    int argc = 2;
    UpdateLauncher launcher(argc, argv);
    return launcher.run();
}

QString tst_Launcher::readLog(const QString &name) const
{
    QFile log(folder->filePath(name));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()).trimmed() : QString();
}

void tst_Launcher::startsSelfUpdaterWithPath_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<QString>("package");
    QTest::newRow("plain path") << "sample"
                                << "update.zup";
    QTest::newRow("blanks inside, no quotes added") << "sample"
                                                    << "Zelvane 2.1 更新.zup";
    QTest::newRow("trailing blanks, trimmed") << "padded"
                                              << "update.zup";
}

void tst_Launcher::startsSelfUpdaterWithPath()
{
    QFETCH(QString, variant);
    QFETCH(QString, package);
    install(variant);
    QFile(folder->filePath(package)).open(QIODevice::WriteOnly);
    // The existence test takes the path as returned, blanks and all.
    if (variant == "padded")
        QFile(folder->filePath(package + "  ")).open(QIODevice::WriteOnly);
    BoxAnswerer noBox(QMessageBox::Ok);
    QCOMPARE(runLauncher(), 0);
    QCOMPARE(readLog("orvixupdate.log"),
             QString("called app=%1 args=launcher|--quiet").arg(libraryShares));
    // Started by its own path, in the system's own spelling.
    QCOMPARE(testPlatform.startedProgram,
             QDir::toNativeSeparators(folder->filePath("updateSelf.exe")));
    QTRY_COMPARE_WITH_TIMEOUT(readLog("updateSelf.log"),
                              expectedCommandLine(folder->filePath(package)), 10000);
    QVERIFY(!noBox.seen);
}

void tst_Launcher::nothingToDo_data()
{
    QTest::addColumn<QString>("variant");
    QTest::newRow("no package: result left null") << "sample";
    QTest::newRow("empty result") << "empty";
    QTest::newRow("result does not exist") << "missing";
    QTest::newRow("exists only once trimmed") << "padded";
}

void tst_Launcher::nothingToDo()
{
    QFETCH(QString, variant);
    install(variant);
    if (variant == "padded")
        QFile(folder->filePath("update.zup")).open(QIODevice::WriteOnly);
    BoxAnswerer noBox(QMessageBox::Ok);
    QCOMPARE(runLauncher(), 0);
    QVERIFY(readLog("orvixupdate.log").startsWith("called"));
    QTest::qWait(300);
    QVERIFY(!QFile::exists(folder->filePath("updateSelf.log")));
    QVERIFY(!noBox.seen);
}

void tst_Launcher::noLibraryShowsLoaderError()
{
    BoxAnswerer box(QMessageBox::Ok);
    QCOMPARE(runLauncher(), 0);
    QVERIFY(box.seen);
    QCOMPARE(box.title, QString("Error"));
    QCOMPARE(box.icon, QMessageBox::Critical);
    const QString head = "File: " + UpdateLauncher::libraryFileName()
                         + " is not correct library for UpdateManager!\n";
    QVERIFY2(box.text.startsWith(head), qPrintable(box.text));
    QVERIFY(box.text.size() > head.size()); // the loader's own words follow
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.parent, nullptr);
}

void tst_Launcher::plantedLibraryIsNeverLoaded()
{
    QTemporaryDir elsewhere;
    const QString library = UpdateLauncher::libraryFileName();
    QVERIFY(QFile::copy(QString(SAMPLES) + "/sample/" + library, elsewhere.filePath(library)));
    const QString before = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    BoxAnswerer box(QMessageBox::Ok);
    const int status = runLauncher();
    QDir::setCurrent(before);
    QCOMPARE(status, 0);
    QCOMPARE(box.title, QString("Error"));
    QVERIFY(!QFile::exists(elsewhere.filePath("orvixupdate.log")));
    QVERIFY(!QFile::exists(folder->filePath("orvixupdate.log")));
}

void tst_Launcher::missingExportWarns()
{
    install("noexport");
    BoxAnswerer box(QMessageBox::Ok);
    QCOMPARE(runLauncher(), 0);
    QCOMPARE(box.title, QString("Warning!"));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.text, "File: " + UpdateLauncher::libraryFileName()
                           + " is not correct library for UpdateManager!");
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.parent, nullptr);
    QVERIFY(!QFile::exists(folder->filePath("orvixupdate.log")));
}

void tst_Launcher::plainFunctionExportWarnsWithoutCrash()
{
    install("function");
    BoxAnswerer box(QMessageBox::Ok);
    QCOMPARE(runLauncher(), 0); // reaching this line at all: no crash
    QCOMPARE(box.title, QString("Warning!"));
    QCOMPARE(box.text, "File: " + UpdateLauncher::libraryFileName()
                           + " is not correct library for UpdateManager!");
    QVERIFY(!QFile::exists(folder->filePath("orvixupdate.log")));
}

void tst_Launcher::missingSelfUpdaterFails()
{
    install("sample", false);
    QFile(folder->filePath("update.zup")).open(QIODevice::WriteOnly);
    // One of that name elsewhere on the search path is not used instead.
    const QString plantedLog = QString(SAMPLES) + "/updateSelf.log";
    QFile::remove(plantedLog);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray(SAMPLES) + QDir::listSeparator().toLatin1() + path);
    BoxAnswerer box(QMessageBox::Ok);
    const int status = runLauncher();
    qputenv("PATH", path);
    QCOMPARE(status, 1);
    QTest::qWait(300);
    QVERIFY(!QFile::exists(plantedLog));
    QCOMPARE(box.title, QString("Pellora"));
    QCOMPARE(box.text, QString("更新更新管理器出错！"));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void tst_Launcher::secondCopyEndsAtOnce()
{
    install("sample");
    QFile(folder->filePath("update.zup")).open(QIODevice::WriteOnly);
    testPlatform.lockTaken = true;
    BoxAnswerer noBox(QMessageBox::Ok);
    QCOMPARE(runLauncher(), 0);
    QTest::qWait(200);
    QVERIFY(!noBox.seen);
    QVERIFY(!QFile::exists(folder->filePath("orvixupdate.log")));
    QVERIFY(!QFile::exists(folder->filePath("updateSelf.log")));
}

QTEST_MAIN(tst_Launcher)
#include "tst_launcher.moc"
