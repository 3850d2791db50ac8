#include "boxanswerer.h"
#include "commands.h"
#include "mainwindow.h"
#include "recordingplatform.h"
#include "testfiles.h"
#include "unok.h"
#include "windowchecks.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

// A run takes (lastValue + 1) ticks; a slow, busy machine gets four times that.
static constexpr int runBound = 4 * (MainWindow::lastValue + 1) * MainWindow::tickMs;

// The uninstaller's windows on a real temporary product folder and real shortcut folders,
// with a platform that records the commands instead of starting them.
class tst_Uninstaller : public QObject, private InstalledHome
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void mainForm();
    void completionForm();
    void runRemovesAtItsPointThenCompletes();
    void whatRemainsIsToldBeforeCompletion();
    void startClickedTwiceRunsOnce();
    void refusedFolderStillRemovesShortcuts_data();
    void refusedFolderStillRemovesShortcuts();
    void unknownFoldersAreSkipped();
    void closeButtonsEndAtOnce();
    void languageChangeReappliesTexts();

private:
    void startAndWaitForCompletion(MainWindow &window, int clicks = 1);

    RecordingPlatform *fake = nullptr;
    std::unique_ptr<QTemporaryDir> root;
};

void tst_Uninstaller::init()
{
    root = std::make_unique<QTemporaryDir>();
    layOut(root->filePath(u"home"_s), u"桌面"_s, Product::shortcutName());
    for (const QString &file :
         QStringList{product + u"/uninstaller"_s, product + u"/lessons/第一课.txt"_s,
                     product + u"/paint/.settings"_s, desktop + u"/homework.txt"_s,
                     programs + u"/Zelvane2.0/Zelvane.desktop"_s})
        touch(file);
    markHidden(product + u"/paint/.settings"_s);
    fake = new RecordingPlatform;
    fake->ownFolder = product;
    fake->folders = {{Platform::Folder::Desktop, desktop},
                     {Platform::Folder::Startup, startup},
                     {Platform::Folder::Programs, programs}};
    setPlatform(fake);
}

void tst_Uninstaller::cleanup()
{
    qDeleteAll(openWindows<UnOk>());
    setPlatform(nullptr);
    delete fake;
}

void tst_Uninstaller::startAndWaitForCompletion(MainWindow &window, int clicks)
{
    window.show();
    for (int i = 0; i < clicks; ++i)
        QTest::mouseClick(child<QPushButton>(&window, "btnNext"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!openWindows<UnOk>().isEmpty(), runBound);
}

void tst_Uninstaller::mainForm()
{
    MainWindow window;
    checkForm(&window, "MainWindow", {570, 462}, Qt::FramelessWindowHint, "centralWidget",
              {{"btnClose", "QPushButton", {485, 56, 58, 37}},
               {"progressBar", "QProgressBar", {90, 420, 450, 13}},
               {"label", "QLabel", {90, 400, 91, 16}},
               {"btnNext", "QPushButton", {390, 270, 92, 41}}});
    QCOMPARE(window.styleSheet(), QString());
    auto *bar = child<QProgressBar>(&window, "progressBar");
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(child<QLabel>(&window, "label")->text(), u"开始卸载 ..."_s);
    QVERIFY(child<QLabel>(&window, "label")->isHidden());
    QCOMPARE(child<QPushButton>(&window, "btnNext")->text(), QString());
    QCOMPARE(child<QPushButton>(&window, "btnClose")->text(), QString());
    QCOMPARE(child<QPushButton>(&window, "btnNext")->accessibleName(), u"立即卸载"_s);
    QVERIFY(window.findChildren<QTimer *>().isEmpty()); // no timer before Start
    checkLooks(&window);
}

void tst_Uninstaller::completionForm()
{
    UnOk page;
    checkForm(&page, "UnOk", {516, 424}, Qt::FramelessWindowHint, "centralwidget",
              {{"btnClose", "QPushButton", {425, 18, 58, 36}}});
    QCOMPARE(child<QPushButton>(&page, "btnClose")->text(), QString());
    checkLooks(&page);
}

void tst_Uninstaller::runRemovesAtItsPointThenCompletes()
{
    MainWindow window;
    auto *bar = child<QProgressBar>(&window, "progressBar");
    QList<int> values;
    connect(bar, &QProgressBar::valueChanged, this, [&values](int v) { values << v; });
    // What the world looks like when the group's removal starts: in the removal list's order,
    // after the own folder and the Desktop shortcut, before the Startup shortcut.
    int barAtRemoval = -1;
    bool productEmptied = false, desktopShortcutGone = false, startupShortcutStill = false;
    const QString lnk = Product::shortcutName();
    fake->onStart = [&](const QString &) {
        barAtRemoval = bar->value();
        productEmptied =
            !QFile::exists(product + u"/uninstaller"_s) && !QFile::exists(product + u"/lessons"_s);
        desktopShortcutGone = !entryExists(desktop + u"/"_s + lnk);
        startupShortcutStill = entryExists(startup + u"/"_s + lnk);
    };

    BoxAnswerer noBox;
    window.show();
    QTest::mouseClick(child<QPushButton>(&window, "btnNext"), Qt::LeftButton);
    QVERIFY(child<QLabel>(&window, "label")->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!openWindows<UnOk>().isEmpty(), runBound);
    QVERIFY2(!noBox.seen, qPrintable(noBox.text)); // everything it meant to remove went

    QCOMPARE(fake->commands,
             QStringList{u"cmd /C rmdir /S /Q \""_s + programs + u"\\Zelvane2.0\""_s});
    QCOMPARE(barAtRemoval, MainWindow::removalValue);
    QVERIFY(productEmptied);
    QVERIFY(desktopShortcutGone);
    QVERIFY(startupShortcutStill);
    QVERIFY(!entryExists(startup + u"/"_s + lnk));
    // The hidden file keeps itself and its folders.
    QVERIFY(QFile::exists(product + u"/paint/.settings"_s));
    QVERIFY(QFile::exists(desktop + u"/homework.txt"_s));

    QList<int> expected;
    for (int v = 1; v <= MainWindow::lastValue; ++v)
        expected << v;
    QCOMPARE(values, expected);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(window.isHidden());
    QCOMPARE(openWindows<UnOk>().size(), 1);
    QVERIFY(openWindows<UnOk>().first()->isVisible());
    for (QTimer *timer : window.findChildren<QTimer *>())
        QVERIFY(!timer->isActive());
    QTest::qWait(200);
    QCOMPARE(openWindows<UnOk>().size(), 1);
    QCOMPARE(values.size(), MainWindow::lastValue);
    QVERIFY(fake->exits.isEmpty());
}

// A product file the uninstaller may not delete: held open without delete sharing on Windows;
// elsewhere immutable (as root) or in a folder it may not write to. Undone when the guard goes.
static auto undeletable(const QString &file)
{
#ifdef Q_OS_WIN
    HANDLE held =
        CreateFileW(QDir::toNativeSeparators(file).toStdWString().c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    return qScopeGuard([held] { CloseHandle(held); });
#else
    const QByteArray name = QFile::encodeName(file);
    const int fd = open(name.constData(), O_RDONLY | O_CLOEXEC);
    int flags = 0;
    const bool immutable = geteuid() == 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0
                           && (flags |= FS_IMMUTABLE_FL, ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    const QString folder = QFileInfo(file).path();
    if (!immutable)
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    return qScopeGuard([=]() mutable {
        flags &= ~FS_IMMUTABLE_FL;
        if (immutable)
            ioctl(fd, FS_IOC_SETFLAGS, &flags);
        close(fd);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                          | QFileDevice::ExeOwner);
    });
#endif
}

void tst_Uninstaller::whatRemainsIsToldBeforeCompletion()
{
    const QString held = product + u"/lessons/第一课.txt"_s;
    const auto release = undeletable(held);
    MainWindow window;
    BoxAnswerer answerer(QMessageBox::Ok);
    bool completionFirst = true;
    answerer.whenSeen = [&] { completionFirst = !openWindows<UnOk>().isEmpty(); };
    startAndWaitForCompletion(window);
    if (!QFile::exists(held))
        QSKIP("nothing here can keep a file from being removed");

    QVERIFY(QFile::exists(held));
    QVERIFY(answerer.seen);
    QVERIFY(!completionFirst);
    QCOMPARE(answerer.icon, QMessageBox::Warning);
    QCOMPARE(answerer.parent, &window);
    QVERIFY2(answerer.text.contains(QDir::toNativeSeparators(product)), qPrintable(answerer.text));
    QVERIFY(answerer.text.contains(u"未能删除"_s));
    // The rest went, the run went on to its end as always.
    QVERIFY(!QFile::exists(product + u"/uninstaller"_s));
    QVERIFY(!entryExists(desktop + u"/"_s + Product::shortcutName()));
    QCOMPARE(fake->commands.size(), 1);
    QVERIFY(fake->exits.isEmpty());
}

void tst_Uninstaller::startClickedTwiceRunsOnce()
{
    // A shortcut already gone (the installer deleted the Startup one) is no failure.
    QVERIFY(QFile::remove(startup + u"/"_s + Product::shortcutName()));
    BoxAnswerer noBox;
    MainWindow window;
    QList<int> values;
    connect(child<QProgressBar>(&window, "progressBar"), &QProgressBar::valueChanged, this,
            [&values](int v) { values << v; });
    startAndWaitForCompletion(window, 3);
    QTest::mouseClick(child<QPushButton>(&window, "btnNext"), Qt::LeftButton); // hidden by now
    QTest::qWait(300);
    QCOMPARE(fake->commands.size(), 1);
    QCOMPARE(openWindows<UnOk>().size(), 1);
    QCOMPARE(window.findChildren<QTimer *>().size(), 1);
    QCOMPARE(values.size(), MainWindow::lastValue);
    QVERIFY2(!noBox.seen, qPrintable(noBox.text));
}

void tst_Uninstaller::refusedFolderStillRemovesShortcuts_data()
{
    QTest::addColumn<QString>("relativeFolder");
    QTest::newRow("home") << "home";
    QTest::newRow("Desktop") << "home/桌面";
    QTest::newRow("holds home") << ".";
}

void tst_Uninstaller::refusedFolderStillRemovesShortcuts()
{
    QFETCH(QString, relativeFolder);
    const QString folder = QDir::cleanPath(root->filePath(relativeFolder));
    touch(folder + u"/canary.txt"_s);
    fake->ownFolder = folder;
    const auto restore = keepEnvironment({"HOME"});
    qputenv("HOME", QFile::encodeName(home));
    // The Desktop is told apart by the platform's answer, so it is refused even by its
    // Chinese name.
    MainWindow window;
    startAndWaitForCompletion(window);

    QVERIFY(QFile::exists(folder + u"/canary.txt"_s));
    QVERIFY(QFile::exists(product + u"/uninstaller"_s));
    QVERIFY(QFile::exists(desktop + u"/homework.txt"_s));
    QVERIFY(!entryExists(desktop + u"/"_s + Product::shortcutName()));
    QVERIFY(!entryExists(startup + u"/"_s + Product::shortcutName()));
    QCOMPARE(fake->commands.size(), 1);
    QVERIFY(openWindows<UnOk>().first()->isVisible());
}

void tst_Uninstaller::unknownFoldersAreSkipped()
{
    fake->folders.clear();
    MainWindow window;
    startAndWaitForCompletion(window);
    QVERIFY(fake->commands.isEmpty());
    QVERIFY(!QFile::exists(product + u"/uninstaller"_s));
    QVERIFY(entryExists(desktop + u"/"_s + Product::shortcutName()));
    QVERIFY(entryExists(startup + u"/"_s + Product::shortcutName()));

    // A Programs folder whose name cmd would expand (%X%) gives no command: the group stays,
    // and the box names it.
    const QString expanded = root->filePath(u"Programs %X%"_s);
    touch(expanded + u"/Zelvane2.0/Zelvane.desktop"_s);
    fake->folders = {{Platform::Folder::Programs, expanded}};
    qDeleteAll(openWindows<UnOk>()); // the first run's
    MainWindow again;
    BoxAnswerer box(QMessageBox::Ok);
    startAndWaitForCompletion(again);
    QVERIFY(fake->commands.isEmpty());
    QVERIFY(QFile::exists(expanded + u"/Zelvane2.0/Zelvane.desktop"_s));
    QVERIFY2(box.text.contains(QDir::toNativeSeparators(expanded)), qPrintable(box.text));
}

void tst_Uninstaller::closeButtonsEndAtOnce()
{
    MainWindow window;
    window.show();
    QTest::mouseClick(child<QPushButton>(&window, "btnClose"), Qt::LeftButton);
    QCOMPARE(fake->exits, QList<int>{0});
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    UnOk page;
    page.show();
    QTest::mouseClick(child<QPushButton>(&page, "btnClose"), Qt::LeftButton);
    QCOMPARE(fake->exits, (QList<int>{0, 0}));
    QVERIFY(QFile::exists(product + u"/uninstaller"_s));
    QVERIFY(fake->commands.isEmpty());
}

void tst_Uninstaller::languageChangeReappliesTexts()
{
    MainWindow window;
    UnOk page;
    auto *label = child<QLabel>(&window, "label");
    label->setText(u"stale"_s);
    child<QPushButton>(&window, "btnNext")->setText(u"stale"_s);
    window.setWindowTitle(u"stale"_s);
    page.setWindowTitle(u"stale"_s);
    for (QWidget *w : std::initializer_list<QWidget *>{&window, &page}) {
        QEvent change(QEvent::LanguageChange);
        QApplication::sendEvent(w, &change);
        QCOMPARE(w->windowTitle(), u"MainWindow"_s);
    }
    QCOMPARE(label->text(), u"开始卸载 ..."_s);
    QCOMPARE(child<QPushButton>(&window, "btnNext")->text(), QString());
    QVERIFY(label->isHidden()); // re-translation does not show it
}

QTEST_MAIN(tst_Uninstaller)
#include "tst_uninstaller.moc"
