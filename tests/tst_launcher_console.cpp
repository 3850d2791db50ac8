#include "systemplatform.h"
#include "updatelauncher.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

// The launcher beside a non-GUI application object (one an update library may make): its
// boxes are the system's own, since a GUI program's stderr reaches nobody on Windows.
class tst_LauncherConsole : public QObject
{
    Q_OBJECT

private slots:
    void systemBoxInsteadOfQtBox_data();
    void systemBoxInsteadOfQtBox();
};

namespace {
class FolderPlatform final : public SystemPlatform
{
public:
    QString folder;
    QString programFolder() override { return folder; }
    bool holdSingleInstance(const QString &) override { return true; }
};

// Answers the first dialog box of this process with Ok, from a thread of its own (the box's
// own message loop blocks the test's thread), and remembers its title and text.
class SystemBoxAnswerer
{
public:
    SystemBoxAnswerer()
        : watcher([this] {
              for (int tries = 0; tries < 200 && !seen; ++tries) {
                  HWND box = FindWindowW(L"#32770", nullptr);
                  DWORD owner = 0;
                  if (box && GetWindowThreadProcessId(box, &owner)
                      && owner == GetCurrentProcessId()) {
                      wchar_t buffer[512] = {};
                      GetWindowTextW(box, buffer, 512);
                      title = QString::fromWCharArray(buffer);
                      GetDlgItemTextW(box, 0xFFFF, buffer, 512); // the text's static control
                      text = QString::fromWCharArray(buffer);
                      seen = true;
                      PostMessageW(box, WM_COMMAND, IDOK, 0);
                  }
                  Sleep(50);
              }
          })
    {}
    ~SystemBoxAnswerer() { wait(); }
    // Until the box has been answered, or about ten seconds without one.
    void wait()
    {
        if (watcher.joinable())
            watcher.join();
    }
    std::atomic<bool> seen{false};
    QString title;
    QString text;

private:
    std::thread watcher;
};
} // namespace

void tst_LauncherConsole::systemBoxInsteadOfQtBox_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("textStart");
    const QString notCorrect = u"File: orvixupdate.dll is not correct library for UpdateManager!"_s;
    QTest::newRow("no library") << QString() << "Error" << notCorrect + u"\n"_s;
    QTest::newRow("no export") << "noexport"
                               << "Warning!" << notCorrect;
}

void tst_LauncherConsole::systemBoxInsteadOfQtBox()
{
    QFETCH(QString, variant);
    QFETCH(QString, title);
    QFETCH(QString, textStart);
    QTemporaryDir folder;
    if (!variant.isEmpty())
        QVERIFY(QFile::copy(QStringLiteral(SAMPLES) + u"/"_s + variant + u"/orvixupdate.dll"_s,
                            folder.filePath(u"orvixupdate.dll"_s)));
    FolderPlatform testPlatform;
    testPlatform.folder = folder.path();
    setPlatform(&testPlatform);

    SystemBoxAnswerer box;
    QByteArray program = "launcher";
    char *argv[] = {program.data(), nullptr};
    int argc = 1;
    UpdateLauncher launcher(argc, argv);
    const int status = launcher.run();
    setPlatform(nullptr);
    box.wait();
    QCOMPARE(status, 0);
    QVERIFY2(box.seen, "no system message box came up");
    QCOMPARE(box.title, title);
    QVERIFY2(box.text.startsWith(textStart), qPrintable(box.text));
}

QTEST_GUILESS_MAIN(tst_LauncherConsole)
#include "tst_launcher_console.moc"
