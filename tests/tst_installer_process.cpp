#include "commands.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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
    desktop = sandbox->filePath("home/Desktop");
    startup = sandbox->filePath("config/autostart");
    marker = sandbox->filePath("product started");
    QVERIFY(QDir().mkpath(desktop));
    QVERIFY(QDir().mkpath(startup));
    // The product's shortcut: opening it starts the product, which leaves a mark.
    QFile shortcut(desktop + "/" + Product::shortcutName());
    QVERIFY(shortcut.open(QIODevice::WriteOnly));
    shortcut.write("#!/bin/sh\ntouch \"" + QFile::encodeName(marker) + "\"\n");
    shortcut.close();
    QVERIFY(shortcut.setPermissions(shortcut.permissions() | QFile::ExeOwner));
    QVERIFY(QFile::copy(shortcut.fileName(), startup + "/" + Product::shortcutName()));
}

QProcessEnvironment tst_InstallerProcess::sandboxEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", sandbox->filePath("home"));
    env.insert("XDG_CONFIG_HOME", sandbox->filePath("config"));
    env.insert("XDG_DATA_HOME", sandbox->filePath("data"));
    env.insert("TMP", sandbox->filePath("tmp"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
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
    driver.start(FINISHDRIVER, {run ? "1" : "0", runAll ? "1" : "0"});
    QVERIFY(driver.waitForFinished(20000));
    QCOMPARE(driver.exitStatus(), QProcess::NormalExit); // no crash on the way out
    QCOMPARE(driver.exitCode(), 0);

    if (run)
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
    const QString startupShortcut = startup + "/" + Product::shortcutName();
    if (runAll) {
        QTest::qWait(300);
        QVERIFY(QFile::exists(startupShortcut));
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(startupShortcut), 10000);
    }
    if (!run)
        QVERIFY(!QFile::exists(marker));
    QVERIFY(QFile::exists(desktop + "/" + Product::shortcutName()));
}

void tst_InstallerProcess::installerEndsTheSplashAndStays()
{
    const QString splashFolder = sandbox->filePath("splash");
    QVERIFY(QDir().mkpath(splashFolder));
    QVERIFY(QFile::link(QStandardPaths::findExecutable("sleep"), splashFolder + "/loding.exe"));
    QProcess splash;
    splash.start(splashFolder + "/loding.exe", {"60"});
    QVERIFY(splash.waitForStarted());

    QProcess installer;
    installer.setProcessEnvironment(sandboxEnvironment());
    installer.start(INSTALLER);
    QVERIFY(installer.waitForStarted());
    QVERIFY(splash.waitForFinished(10000));
    QCOMPARE(splash.exitStatus(), QProcess::CrashExit); // ended by taskkill's stand-in
    QVERIFY(!installer.waitForFinished(1000));          // the welcome window waits for the user
    installer.terminate();
    QVERIFY(installer.waitForFinished(5000));
}

QTEST_GUILESS_MAIN(tst_InstallerProcess)
#include "tst_installer_process.moc"
