#include "commands.h"
#include "testfiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The uninstaller as a process with the real platform, started from inside a product folder
// in a sandbox of its own (HOME and XDG folders), clicked through as a user would.
class tst_UninstallerProcess : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void wholeRunThroughStartButton();
    void closingBeforeFifteenRemovesNothing();

private:
    int runDriver(const QStringList &arguments);
    QStringList everything() const;

    std::unique_ptr<QTemporaryDir> sandbox;
    QString home, product, desktop, startup, group, outside;
};

void tst_UninstallerProcess::init()
{
    sandbox = std::make_unique<QTemporaryDir>();
    home = sandbox->filePath("home");
    product = home + "/Zelvane2.0";
    desktop = home + "/Desktop";
    startup = home + "/.config/autostart";
    group = home + "/.local/share/applications/Zelvane2.0";
    outside = sandbox->filePath("outside");
    const QString lnk = Product::shortcutName();
    for (const QString &file :
         {product + "/lessons/数学/第一课.txt", product + "/paint 🎨/palette.txt",
          product + "/lessons/.settings", desktop + "/" + lnk, desktop + "/drawing.png",
          startup + "/" + lnk, group + "/Zelvane.desktop", group + "/sub/uninstall.desktop",
          outside + "/canary"})
        touch(file);
    QVERIFY(QFile::link(outside, product + "/link to outside"));
    QVERIFY(QFile::copy(UNINSTALLDRIVER, product + "/uninstaller"));
    QVERIFY(QFile::setPermissions(product + "/uninstaller",
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

int tst_UninstallerProcess::runDriver(const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.remove("XDG_CONFIG_HOME");
    env.remove("XDG_DATA_HOME");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess driver;
    driver.setProcessEnvironment(env);
    driver.setWorkingDirectory(sandbox->path());
    driver.start(product + "/uninstaller", arguments);
    if (!driver.waitForFinished(30000))
        return -1;
    return driver.exitStatus() == QProcess::NormalExit ? driver.exitCode() : -2;
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
    QCOMPARE(runDriver({"full"}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(group), 10000); // removed by a detached rm
    const QStringList expected = {"home",
                                  "home/.config",
                                  "home/.config/autostart",
                                  "home/.local",
                                  "home/.local/share",
                                  "home/.local/share/applications",
                                  "home/Desktop",
                                  "home/Desktop/drawing.png",
                                  "home/Zelvane2.0",
                                  "home/Zelvane2.0/lessons",
                                  "home/Zelvane2.0/lessons/.settings",
                                  "outside",
                                  "outside/canary"};
    QCOMPARE(everything(), expected);
}

void tst_UninstallerProcess::closingBeforeFifteenRemovesNothing()
{
    const QStringList before = everything();
    QCOMPARE(runDriver({"close-at", "10"}), 0);
    QTest::qWait(300);
    QCOMPARE(everything(), before);
}

QTEST_GUILESS_MAIN(tst_UninstallerProcess)
#include "tst_uninstaller_process.moc"
