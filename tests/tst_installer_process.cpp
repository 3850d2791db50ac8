#include "commands.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

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
    void noSuccessWithoutASetup_data();
    void noSuccessWithoutASetup();

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
    QTest::newRow("run, the shortcut a link: nothing opened") << true << false;
}

void tst_InstallerProcess::finishButtonEndsWithZero()
{
    QFETCH(bool, run);
    QFETCH(bool, runAll);
    const bool link = QString::fromUtf8(QTest::currentDataTag()).contains(u"link"_s);
    const QString shortcut = desktop + u"/"_s + Product::shortcutName();
    if (link) { // a link to a program that would leave the mark
        QVERIFY(QFile::rename(shortcut, sandbox->filePath(u"elsewhere"_s)));
        QVERIFY(QFile::link(sandbox->filePath(u"elsewhere"_s), shortcut));
    }
    QProcess driver;
    driver.setProcessEnvironment(sandboxEnvironment());
    driver.start(QStringLiteral(FINISHDRIVER), {run ? u"1"_s : u"0"_s, runAll ? u"1"_s : u"0"_s});
    QVERIFY(driver.waitForFinished(20000));
    QCOMPARE(driver.exitStatus(), QProcess::NormalExit); // no crash on the way out
    QCOMPARE(driver.exitCode(), 0);

    if (link) {
        QTest::qWait(1000);
        QVERIFY(!QFile::exists(marker));
        return;
    }
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

void tst_InstallerProcess::noSuccessWithoutASetup_data()
{
    QTest::addColumn<QString>("setup"); // what TMP holds as setup.exe
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("told");
    const QString missing = u"box 安装失败: 找不到安装程序："_s;
    QTest::newRow("none") << QString() << 1 << missing;
    QTest::newRow("another user's") << u"nobody's"_s << 1 << missing;
    QTest::newRow("others may write to it") << u"0757"_s << 1 << missing;
    QTest::newRow("group may write to it") << u"0775"_s << 1 << missing;
    QTest::newRow("a link to a program") << u"link"_s << 1 << missing;
    QTest::newRow("a folder") << u"folder"_s << 1 << missing;
    QTest::newRow("ended with a failure")
        << u"exit 2"_s << 1 << u"box 安装未完成: 安装程序没有成功完成（代码 2）。"_s;
    QTest::newRow("ended well") << u"exit 0"_s << 0 << u"finish page"_s;
    QTest::newRow("still running") << u"sleep 20"_s << 0 << u"finish page"_s;
}

// The welcome window's Next and the progress page's end with the real platform: what the
// setup program in TMP is and how it ended decide between the finish page and a box.
void tst_InstallerProcess::noSuccessWithoutASetup()
{
    QFETCH(QString, setup);
    QFETCH(int, status);
    QFETCH(QString, told);
    const QString tmp = sandbox->filePath(u"tmp"_s), file = tmp + u"/setup.exe"_s;
    QVERIFY(QDir().mkpath(tmp));
    const bool script = setup.startsWith(u"exit"_s) || setup.startsWith(u"sleep"_s)
                        || setup.startsWith(u"0"_s) || setup == u"nobody's"_s;
    if (script) {
        QFile program(file);
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.write("#!/bin/sh\n"
                      + (setup.startsWith(u"0"_s) ? QByteArray("exit 0") : setup.toUtf8()) + "\n");
        program.close();
        const QByteArray mode = setup.startsWith(u"0"_s) ? setup.toLatin1() : "0755";
        QVERIFY(chmod(QFile::encodeName(file).constData(), mode.toUInt(nullptr, 8)) == 0);
        if (setup == u"nobody's"_s
            && (geteuid() != 0 || chown(QFile::encodeName(file).constData(), 65534, 65534) != 0))
            QSKIP("needs root to give the file away");
    } else if (setup == u"link"_s) {
        QVERIFY(QFile::link(QStandardPaths::findExecutable(u"true"_s), file));
    } else if (setup == u"folder"_s) {
        QVERIFY(QDir().mkpath(file));
    }
    QProcess driver;
    driver.setProcessEnvironment(sandboxEnvironment());
    driver.start(QStringLiteral(FINISHDRIVER), {u"next"_s});
    QVERIFY(driver.waitForFinished(30000));
    const QString out = QString::fromUtf8(driver.readAllStandardOutput());
    QVERIFY2(out.startsWith(told), qPrintable(out));
    QCOMPARE(driver.exitCode(), status);
}

QTEST_GUILESS_MAIN(tst_InstallerProcess)
#include "tst_installer_process.moc"
