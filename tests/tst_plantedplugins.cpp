#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// A look-alike plugin put where a plain Qt program would load it from: beside the program, or
// in a folder a qt.conf beside the program names. None of the programs loads it; the plain
// program does, so the plugin and the planting are shown to work.
class tst_PlantedPlugins : public QObject
{
    Q_OBJECT

private slots:
    void onlyTheInstalledQtsPlugins_data();
    void onlyTheInstalledQtsPlugins();
};

void tst_PlantedPlugins::onlyTheInstalledQtsPlugins_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("loaded");
    // The style is made with the application object, in every program; pictures are read by
    // the windows (the launcher shows none, only a box).
    const QStringList programs = {u"" INSTALLER ""_s, u"" UNINSTALLER ""_s, u"" LAUNCHER ""_s};
    for (const QString &way : {u"image plugin beside"_s, u"image plugin in qt.conf's folder"_s,
                               u"style plugin beside"_s, u"style plugin in qt.conf's folder"_s}) {
        for (const QString &program : programs) {
            if (way.startsWith(u"image"_s) && program == programs.last())
                continue;
            QTest::addRow("%s, %s", qPrintable(QFileInfo(program).fileName()), qPrintable(way))
                << program << way << false;
        }
        QTest::addRow("a plain Qt program, %s", qPrintable(way))
            << u"" PLAINVIEWER ""_s << way << true;
    }
}

void tst_PlantedPlugins::onlyTheInstalledQtsPlugins()
{
    QFETCH(QString, program);
    QFETCH(QString, way);
    QFETCH(bool, loaded);
    QTemporaryDir sandbox;
    const QString copy = sandbox.filePath(QFileInfo(program).fileName());
    QVERIFY(QFile::copy(program, copy));
    const bool style = way.startsWith(u"style"_s), conf = way.contains(u"qt.conf"_s);
    const QString plugins = conf ? sandbox.filePath(u"planted"_s) : sandbox.path();
    const QString kind = style ? u"/styles"_s : u"/imageformats"_s;
    QVERIFY(QDir().mkpath(plugins + kind));
    QVERIFY(QFile::copy(style ? u"" STYLEPLUGIN ""_s : u"" IMAGEPLUGIN ""_s,
                        plugins + kind + u"/libplanted.so"_s));
    if (conf) {
        QFile file(sandbox.filePath(u"qt.conf"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Paths]\nPrefix = .\nPlugins = planted\n");
    }
    const QString mark = sandbox.filePath(u"mark"_s);
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"ZELVANE_PLUGIN_MARK"_s, mark);
    environment.insert(u"QT_STYLE_OVERRIDE"_s, u"zelvanelook"_s);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    // The planted qt.conf takes the platform plugins away from a plain program: give them back.
    environment.insert(u"QT_QPA_PLATFORM_PLUGIN_PATH"_s,
                       QLibraryInfo::path(QLibraryInfo::PluginsPath) + u"/platforms"_s);
    run.setProcessEnvironment(environment);
    run.setWorkingDirectory(sandbox.path());
    // The plain program reads a picture; each of ours shows its first window or box.
    run.start(copy, {QFINDTESTDATA("../installer/sourcess/01.png")});
    QVERIFY(run.waitForStarted());
    // Every window and box reads pictures as it is made: within a moment of the start.
    for (int waited = 0;
         waited < 2500 && !QFile::exists(mark) && run.state() != QProcess::NotRunning; waited += 50)
        QTest::qWait(50);
    if (run.state() != QProcess::NotRunning) {
        QTest::qWait(300);
        run.kill();
        run.waitForFinished();
    }
    QCOMPARE(QFile::exists(mark), loaded);
}

QTEST_GUILESS_MAIN(tst_PlantedPlugins)
#include "tst_plantedplugins.moc"
