#include "commands.h"
#include "testfiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The uninstaller as a process with the real platform, started from inside a product folder
// in a sandbox of its own (HOME and XDG folders), clicked through as a user would.
class tst_UninstallerProcess : public QObject, private InstalledHome
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
    QString group, outside;
};

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
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home);
    env.remove(u"XDG_CONFIG_HOME"_s);
    env.remove(u"XDG_DATA_HOME"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    QProcess driver;
    driver.setProcessEnvironment(env);
    driver.setWorkingDirectory(sandbox->path());
    driver.start(product + u"/uninstaller"_s, arguments);
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

QTEST_GUILESS_MAIN(tst_UninstallerProcess)
#include "tst_uninstaller_process.moc"
