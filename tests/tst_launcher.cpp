#include "boxanswerer.h"
#include "product.h"
#include "systemplatform.h"
#include "testfiles.h"
#include "updatelauncher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// What the stand-in self-updater notes: on Windows its whole command line, elsewhere its words.
QString expectedCommandLine(const QString &path)
{
#ifdef Q_OS_WIN
    return u"updateSelf.exe "_s + path;
#else
    return path;
#endif
}

// A library with a Qt of its own (static builds) cannot see the launcher's application object.
#ifdef QT_STATIC
const QString libraryShares = u"no"_s;
#else
const QString libraryShares = u"yes"_s;
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
        bool launch(const QString &program, const QString &commandLine, Checked *checked) override
        {
            startedProgram = program;
            return SystemPlatform::launch(program, commandLine, checked);
        }
        bool holdSingleInstance(const QString &name) override
        {
            return name == Product::launcherLockName() && !lockTaken;
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
    const QString library = Product::updateLibraryName();
    QVERIFY(QFile::copy(QStringLiteral(SAMPLES) + u"/"_s + variant + u"/"_s + library,
                        folder->filePath(library)));
    if (withSelfUpdater)
        QVERIFY(QFile::copy(QStringLiteral(SAMPLES) + u"/updateSelf.exe"_s,
                            folder->filePath(u"updateSelf.exe"_s)));
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
    if (variant == u"padded"_s)
        QFile(folder->filePath(package + u"  "_s)).open(QIODevice::WriteOnly);
    BoxAnswerer noBox(QMessageBox::Ok);
    QCOMPARE(runLauncher(), 0);
    QCOMPARE(readLog(u"orvixupdate.log"_s),
             u"called app=%1 result=empty args=launcher|--quiet"_s.arg(libraryShares));
    // Started by its own path, in the system's own spelling.
    QCOMPARE(testPlatform.startedProgram,
             QDir::toNativeSeparators(folder->filePath(u"updateSelf.exe"_s)));
    QTRY_COMPARE_WITH_TIMEOUT(readLog(u"updateSelf.log"_s),
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
    if (variant == u"padded"_s)
        QFile(folder->filePath(u"update.zup"_s)).open(QIODevice::WriteOnly);
    BoxAnswerer noBox(QMessageBox::Ok);
    QCOMPARE(runLauncher(), 0);
    QVERIFY(readLog(u"orvixupdate.log"_s).startsWith(u"called"_s));
    QTest::qWait(300);
    QVERIFY(!QFile::exists(folder->filePath(u"updateSelf.log"_s)));
    QVERIFY(!noBox.seen);
}

void tst_Launcher::noLibraryShowsLoaderError()
{
    BoxAnswerer box(QMessageBox::Ok);
    QCOMPARE(runLauncher(), 0);
    QVERIFY(box.seen);
    QCOMPARE(box.title, u"Error"_s);
    QCOMPARE(box.icon, QMessageBox::Critical);
    const QString head = u"File: "_s + Product::updateLibraryName()
                         + u" is not correct library for UpdateManager!\n"_s;
    QVERIFY2(box.text.startsWith(head), qPrintable(box.text));
    QVERIFY(box.text.size() > head.size()); // the loader's own words follow
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.parent, nullptr);
}

void tst_Launcher::plantedLibraryIsNeverLoaded()
{
    QTemporaryDir elsewhere;
    const QString library = Product::updateLibraryName();
    QVERIFY(QFile::copy(QStringLiteral(SAMPLES) + u"/sample/"_s + library,
                        elsewhere.filePath(library)));
    const QString before = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    BoxAnswerer box(QMessageBox::Ok);
    const int status = runLauncher();
    QDir::setCurrent(before);
    QCOMPARE(status, 0);
    QCOMPARE(box.title, u"Error"_s);
    QVERIFY(!QFile::exists(elsewhere.filePath(u"orvixupdate.log"_s)));
    QVERIFY(!QFile::exists(folder->filePath(u"orvixupdate.log"_s)));
}

void tst_Launcher::missingExportWarns()
{
    install(u"noexport"_s);
    BoxAnswerer box(QMessageBox::Ok);
    QCOMPARE(runLauncher(), 0);
    QCOMPARE(box.title, u"Warning!"_s);
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.text, u"File: "_s + Product::updateLibraryName()
                           + u" is not correct library for UpdateManager!"_s);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.parent, nullptr);
    QVERIFY(!QFile::exists(folder->filePath(u"orvixupdate.log"_s)));
}

void tst_Launcher::plainFunctionExportWarnsWithoutCrash()
{
    install(u"function"_s);
    BoxAnswerer box(QMessageBox::Ok);
    QCOMPARE(runLauncher(), 0); // reaching this line at all: no crash
    QCOMPARE(box.title, u"Warning!"_s);
    QCOMPARE(box.text, u"File: "_s + Product::updateLibraryName()
                           + u" is not correct library for UpdateManager!"_s);
    QVERIFY(!QFile::exists(folder->filePath(u"orvixupdate.log"_s)));
}

void tst_Launcher::missingSelfUpdaterFails()
{
    install(u"sample"_s, false);
    QFile(folder->filePath(u"update.zup"_s)).open(QIODevice::WriteOnly);
    // One of that name elsewhere on the search path is not used instead.
    const QString plantedLog = QStringLiteral(SAMPLES) + u"/updateSelf.log"_s;
    QFile::remove(plantedLog);
    const auto restore = keepEnvironment({"PATH"});
    qputenv("PATH", QByteArray(SAMPLES) + QDir::listSeparator().toLatin1() + qgetenv("PATH"));
    BoxAnswerer box(QMessageBox::Ok);
    const int status = runLauncher();
    QCOMPARE(status, 1);
    QTest::qWait(300);
    QVERIFY(!QFile::exists(plantedLog));
    QCOMPARE(box.title, u"Pellora"_s);
    QCOMPARE(box.text, u"更新更新管理器出错！"_s);
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void tst_Launcher::secondCopyEndsAtOnce()
{
    install(u"sample"_s);
    QFile(folder->filePath(u"update.zup"_s)).open(QIODevice::WriteOnly);
    testPlatform.lockTaken = true;
    BoxAnswerer noBox(QMessageBox::Ok);
    QCOMPARE(runLauncher(), 0);
    QTest::qWait(200);
    QVERIFY(!noBox.seen);
    QVERIFY(!QFile::exists(folder->filePath(u"orvixupdate.log"_s)));
    QVERIFY(!QFile::exists(folder->filePath(u"updateSelf.log"_s)));
}

QTEST_MAIN(tst_Launcher)
#include "tst_launcher.moc"
