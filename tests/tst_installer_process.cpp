#include "commands.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The installer as a process: the real platform, a real application object, a sandbox of
// its own for the user's folders.
class tst_InstallerProcess : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void finishButtonEndsWithZero_data();
    void finishButtonEndsWithZero();
    void installerEndsTheSplashAndStays();

private:
    QProcessEnvironment sandboxEnvironment() const;
    std::unique_ptr<QTemporaryDir> sandbox;
    QString desktop, startup, marker;
};

void tst_InstallerProcess::init()
{
    sandbox = std::make_unique<QTemporaryDir>();
    desktop = sandbox->filePath(u"home/Desktop"_s);
    startup = sandbox->filePath(u"config/autostart"_s);
    marker = sandbox->filePath(u"product started"_s);
    QVERIFY(QDir().mkpath(desktop));
    QVERIFY(QDir().mkpath(startup));
    // The product's shortcut: opening it starts the product, which leaves a mark.
    QFile shortcut(desktop + u"/"_s + Product::shortcutName());
    QVERIFY(shortcut.open(QIODevice::WriteOnly));
    shortcut.write("#!/bin/sh\ntouch \"" + QFile::encodeName(marker) + "\"\n");
    shortcut.close();
    QVERIFY(shortcut.setPermissions(shortcut.permissions() | QFile::ExeOwner));
    QVERIFY(QFile::copy(shortcut.fileName(), startup + u"/"_s + Product::shortcutName()));
}

QProcessEnvironment tst_InstallerProcess::sandboxEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, sandbox->filePath(u"home"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, sandbox->filePath(u"config"_s));
    env.insert(u"XDG_DATA_HOME"_s, sandbox->filePath(u"data"_s));
    env.insert(u"TMP"_s, sandbox->filePath(u"tmp"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    return env;
}

void tst_InstallerProcess::finishButtonEndsWithZero_data()
{
    QTest::addColumn<bool>("run");
    QTest::addColumn<bool>("runAll");
    QTest::newRow("both ticked") << true << true;
    QTest::newRow("run, no start at log-on") << true << false;
    QTest::newRow("neither") << false << false;
}

void tst_InstallerProcess::finishButtonEndsWithZero()
{
    QFETCH(bool, run);
    QFETCH(bool, runAll);
    QProcess driver;
    driver.setProcessEnvironment(sandboxEnvironment());
    driver.start(QStringLiteral(FINISHDRIVER), {run ? u"1"_s : u"0"_s, runAll ? u"1"_s : u"0"_s});
    QVERIFY(driver.waitForFinished(20000));
    QCOMPARE(driver.exitStatus(), QProcess::NormalExit); // no crash on the way out
    QCOMPARE(driver.exitCode(), 0);

    if (run)
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
    const QString startupShortcut = startup + u"/"_s + Product::shortcutName();
    if (runAll) {
        QTest::qWait(300);
        QVERIFY(QFile::exists(startupShortcut));
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(startupShortcut), 10000);
    }
    if (!run)
        QVERIFY(!QFile::exists(marker));
    QVERIFY(QFile::exists(desktop + u"/"_s + Product::shortcutName()));
}

void tst_InstallerProcess::installerEndsTheSplashAndStays()
{
    const QString splashFolder = sandbox->filePath(u"splash"_s);
    QVERIFY(QDir().mkpath(splashFolder));
    QVERIFY(
        QFile::link(QStandardPaths::findExecutable(u"sleep"_s), splashFolder + u"/loding.exe"_s));
    QProcess splash;
    splash.start(splashFolder + u"/loding.exe"_s, {u"60"_s});
    QVERIFY(splash.waitForStarted());

    QProcess installer;
    installer.setProcessEnvironment(sandboxEnvironment());
    installer.start(QStringLiteral(INSTALLER));
    QVERIFY(installer.waitForStarted());
    QVERIFY(splash.waitForFinished(10000));
    QCOMPARE(splash.exitStatus(), QProcess::CrashExit); // ended by taskkill's stand-in
    QVERIFY(!installer.waitForFinished(1000));          // the welcome window waits for the user
    installer.terminate();
    QVERIFY(installer.waitForFinished(5000));
}

QTEST_GUILESS_MAIN(tst_InstallerProcess)
#include "tst_installer_process.moc"
