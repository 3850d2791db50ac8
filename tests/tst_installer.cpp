#include "boxanswerer.h"
#include "commands.h"
#include "mainwindow.h"
#include "myinstall.h"
#include "myok.h"
#include "recordingplatform.h"
#include "testfiles.h"
#include "windowchecks.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

// The installer's three windows, driven by their forms' object names through a platform
// that records instead of acting.
class tst_Installer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void welcomeForm();
    void welcomeEndsSplashBeforeItIsBuilt();
    void nextShowsProgressThenStartsSetup_data();
    void nextShowsProgressThenStartsSetup();
    void exitQuestion_data();
    void exitQuestion();
    void handOverAfterSetup_data();
    void handOverAfterSetup();

    void progressForm();
    void progressRunsFromConstruction();
    void progressTimelineAndHandOver();
    void slideshowCycles();

    void finishForm();
    void finishButton_data();
    void finishButton();
    void finishSkipsWhatHasNoFolder();
    void finishCloseEndsAtOnce();

    void languageChangeReappliesTexts();

private:
    RecordingPlatform *fake = nullptr;
};

namespace {
const QString desktop = u"/home/小明/Desktop"_s;
const QString startup = u"/home/小明/.config/autostart"_s;

// A slide missing from the bundle fails the test: two empty images would compare equal.
QImage slideImage(int n)
{
    const QImage slide(u":/new/prefix1/sourcess/b%1.png"_s.arg(n));
    if (slide.isNull())
        QTest::qFail(qPrintable(u"slide %1 does not load"_s.arg(n)), __FILE__, __LINE__);
    return slide;
}
} // namespace

void tst_Installer::init()
{
    fake = new RecordingPlatform;
    fake->folders = {{Platform::Folder::Desktop, desktop}, {Platform::Folder::Startup, startup}};
    setPlatform(fake);
    // A folder spelled out in full on either system; the fake starts nothing from it.
    qputenv("TMP", QDir::tempPath().toUtf8());
}

void tst_Installer::cleanup()
{
    // Pages the flow made with new live until the process ends; here each test ends it.
    qDeleteAll(openWindows<MyInstall>());
    qDeleteAll(openWindows<MyOK>());
    setPlatform(nullptr);
    delete fake;
}

void tst_Installer::welcomeForm()
{
    MainWindow window;
    checkForm(&window, "MainWindow", {560, 424}, Qt::FramelessWindowHint, "centralWidget",
              {{"btnNext", "QPushButton", {410, 285, 96, 41}},
               {"btnClose", "QPushButton", {480, 17, 58, 35}}});
    QCOMPARE(window.styleSheet(),
             u"#MainWindow\n{\n\tborder:none;\n\tbackground-color: rgba(0, 0,0, 0);\n}"_s);
    for (const char *name : {"btnNext", "btnClose"})
        QCOMPARE(child<QPushButton>(&window, name)->text(), QString());
    QCOMPARE(child<QPushButton>(&window, "btnNext")->accessibleName(), u"下一步"_s);
    QCOMPARE(child<QPushButton>(&window, "btnClose")->accessibleName(), u"关闭"_s);
    checkLooks(&window);
}

void tst_Installer::welcomeEndsSplashBeforeItIsBuilt()
{
    bool builtYet = true;
    fake->onStart = [&builtYet](const QString &) {
        builtYet = !openWindows<MainWindow>().isEmpty()
                   && openWindows<MainWindow>().first()->centralWidget();
    };
    MainWindow window;
    QCOMPARE(fake->commands, QStringList{u"taskkill /IM loding.exe /F"_s});
    QVERIFY(!builtYet);
    QVERIFY(!window.isVisible());
}

void tst_Installer::nextShowsProgressThenStartsSetup_data()
{
    QTest::addColumn<QByteArray>("tmp");
    QTest::addColumn<bool>("unset");
    QTest::addColumn<std::optional<QString>>("refusal"); // a refused start, and why
    QTest::addColumn<QString>("command");                // started; or else the box's text
#ifdef Q_OS_WIN
    const QString root = u"C:"_s; // a folder spelled out in full there
#else
    const QString root;
#endif
    const auto row = [&](const char *name, const QString &tmp, const QString &expected,
                         std::optional<QString> refusal = std::nullopt) {
        QTest::newRow(name) << (root + tmp).toUtf8() << false << refusal << expected;
    };
    row("blanks", u"/tmp/my temp dir"_s,
        u"cmd /C \"\""_s + root + u"/tmp/my temp dir\\setup.exe\"\""_s);
    row("Chinese", u"/tmp/临时 文件"_s,
        u"cmd /C \"\""_s + root + u"/tmp/临时 文件\\setup.exe\"\""_s);
    // No setup program it may start: a box over this window, status 1, no progress page.
    const QString missing = u"找不到安装程序："_s;
    QTest::newRow("empty") << QByteArray() << false << std::optional<QString>()
                           << missing + u"TMP 未设置"_s;
    QTest::newRow("unset") << QByteArray() << true << std::optional<QString>()
                           << missing + u"TMP 未设置"_s;
    QTest::newRow("relative") << QByteArray("advtmp") << false << std::optional<QString>()
                              << missing + u"TMP 未设置"_s;
    row("no such file", u"/tmp/空"_s,
        missing + QDir::toNativeSeparators(root + u"/tmp/空"_s) + u"\\setup.exe"_s, u""_s);
    row("another user's", u"/tmp"_s,
        missing + QDir::toNativeSeparators(root + u"/tmp"_s) + u"\\setup.exe\n\n"_s
            + Platform::notOwnedText(),
        Platform::notOwnedText());
}

void tst_Installer::nextShowsProgressThenStartsSetup()
{
    QFETCH(QByteArray, tmp);
    QFETCH(bool, unset);
    QFETCH(std::optional<QString>, refusal);
    QFETCH(QString, command);
    if (unset)
        qunsetenv("TMP");
    else
        setEnvironment("TMP", QString::fromUtf8(tmp));
    fake->refusal = refusal;
    const bool starts = command.startsWith(u"cmd"_s);

    MainWindow window;
    window.show();
    bool progressShownFirst = false;
    fake->onStart = [&](const QString &) {
        const auto pages = openWindows<MyInstall>();
        progressShownFirst = pages.size() == 1 && pages.first()->isVisible() && !window.isVisible();
    };
    fake->commands.clear();
    BoxAnswerer box(QMessageBox::Ok);
    QTest::mouseClick(child<QPushButton>(&window, "btnNext"), Qt::LeftButton);

    if (starts) {
        QVERIFY(!window.isVisible());
        QCOMPARE(openWindows<MyInstall>().size(), 1);
        QVERIFY(openWindows<MyInstall>().first()->isVisible());
        QCOMPARE(fake->commands, QStringList{command});
        QVERIFY(progressShownFirst);
        QVERIFY(fake->exits.isEmpty());
        QVERIFY(!box.seen);
    } else {
        QVERIFY(box.seen);
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.title, QString::fromUtf8(MainWindow::setupFailedTitle));
        QCOMPARE(box.text, command);
        QCOMPARE(box.parent, &window);
        QCOMPARE(fake->exits, QList<int>{1});
        QVERIFY(openWindows<MyInstall>().isEmpty());
        QVERIFY(fake->commands.isEmpty());
    }
}

// How the setup program has done by the hand-over decides what follows the progress page.
void tst_Installer::handOverAfterSetup_data()
{
    QTest::addColumn<std::optional<int>>("status");
    QTest::addColumn<bool>("finishPage");
    QTest::newRow("still running") << std::optional<int>() << true;
    QTest::newRow("succeeded") << std::optional<int>(0) << true;
    QTest::newRow("succeeded, restart needed") << std::optional<int>(3010) << true;
    QTest::newRow("succeeded, restart started") << std::optional<int>(1641) << true;
    QTest::newRow("failed") << std::optional<int>(1603) << false;
    QTest::newRow("failed, status 1") << std::optional<int>(1) << false;
}

void tst_Installer::handOverAfterSetup()
{
    QFETCH(std::optional<int>, status);
    QFETCH(bool, finishPage);
    fake->checkedStatus = status;
    auto *page = new MyInstall;
    page->watchSetup(7);
    page->show();
    BoxAnswerer box(QMessageBox::Ok);
    for (int tick = 0; tick < MyInstall::ticksToEnd; ++tick)
        QVERIFY(QMetaObject::invokeMethod(page, "Mystart"));
    QCOMPARE(openWindows<MyOK>().size(), finishPage ? 1 : 0);
    QCOMPARE(box.seen, !finishPage);
    QCOMPARE(fake->exits, finishPage ? QList<int>() : QList<int>{1});
    if (!finishPage) {
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.title, QString::fromUtf8(MyInstall::setupIncompleteTitle));
        QCOMPARE(box.text, u"安装程序没有成功完成（代码 %1）。"_s.arg(*status));
    }
}

void tst_Installer::exitQuestion_data()
{
    QTest::addColumn<bool>("onProgressPage");
    QTest::addColumn<int>("answer");
    for (bool progress : {false, true}) {
        const char *page = progress ? "progress" : "welcome";
        QTest::addRow("%s, Yes", page) << progress << int(QMessageBox::Yes);
        QTest::addRow("%s, No", page) << progress << int(QMessageBox::No);
        QTest::addRow("%s, dismissed", page) << progress << int(QMessageBox::NoButton);
    }
}

void tst_Installer::exitQuestion()
{
    QFETCH(bool, onProgressPage);
    QFETCH(int, answer);
    MainWindow welcome;
    welcome.show();
    QWidget *window = &welcome;
    if (onProgressPage) {
        QTest::mouseClick(child<QPushButton>(&welcome, "btnNext"), Qt::LeftButton);
        window = openWindows<MyInstall>().first();
    }
    fake->commands.clear();

    BoxAnswerer box{QMessageBox::StandardButton(answer)};
    QTest::mouseClick(child<QPushButton>(window, "btnClose"), Qt::LeftButton);
    QVERIFY(box.seen);
    QCOMPARE(box.title, u"安装询问"_s);
    QCOMPARE(box.text, u"您确定退出zelvane2.0安装程序吗？"_s);
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.defaultButton, QMessageBox::Yes);
    QCOMPARE(box.parent, window);
    QCOMPARE(box.icon, QMessageBox::Question);

    if (answer == QMessageBox::Yes) {
        QCOMPARE(fake->exits, QList<int>{0});
    } else {
        QVERIFY(fake->exits.isEmpty());
        QVERIFY(window->isVisible());
        for (QTimer *timer : window->findChildren<QTimer *>())
            QVERIFY(timer->isActive());
    }
    QVERIFY(fake->commands.isEmpty());
}

void tst_Installer::progressForm()
{
    MyInstall page;
    checkForm(&page, "MyInstall", {579, 454}, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint,
              "centralwidget",
              {{"btnClose", "QPushButton", {500, 48, 58, 37}},
               {"label", "QLabel", {186, 158, 343, 205}},
               {"MyBar", "QProgressBar", {90, 410, 470, 13}},
               {"label_2", "QLabel", {453, 387, 81, 20}}});
    auto *label = child<QLabel>(&page, "label");
    QCOMPARE(label->styleSheet(), u""_s);
    QCOMPARE(label->text(), QString());
    QVERIFY(label->hasScaledContents());
    QCOMPARE(label->pixmap().toImage(), slideImage(1));
    auto *bar = child<QProgressBar>(&page, "MyBar");
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(child<QLabel>(&page, "label_2")->text(), u"正在安装 ..."_s);
    checkLooks(&page);
    QVERIFY(fake->commands.isEmpty());
}

void tst_Installer::progressRunsFromConstruction()
{
    MyInstall page; // never shown: the timers run all the same
    QList<int> intervals;
    for (QTimer *timer : page.findChildren<QTimer *>()) {
        QVERIFY(timer->isActive());
        intervals << timer->interval();
    }
    std::sort(intervals.begin(), intervals.end());
    QList<int> expected{MyInstall::tickMs, MyInstall::slideIntervalMs};
    std::sort(expected.begin(), expected.end());
    QCOMPARE(intervals, expected);
    auto *bar = child<QProgressBar>(&page, "MyBar");
    // The second tick and the second slide, each within its time and a margin.
    QTRY_COMPARE_WITH_TIMEOUT(bar->value(), 1, 2 * MyInstall::tickMs + 1000);
    QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(&page, "label")->pixmap().toImage(), slideImage(2),
                              MyInstall::slideIntervalMs + 1000);
}

void tst_Installer::progressTimelineAndHandOver()
{
    auto *page = new MyInstall;
    page->show();
    auto *bar = child<QProgressBar>(page, "MyBar");
    QList<int> values;
    connect(bar, &QProgressBar::valueChanged, this, [&values](int v) { values << v; });
    bool shownFullDuringPause = false;
    fake->onSleep = [&] {
        shownFullDuringPause =
            page->isVisible() && bar->value() == 100 && openWindows<MyOK>().isEmpty();
    };

    for (int tick = 1; tick < MyInstall::ticksToEnd; ++tick) {
        QVERIFY(QMetaObject::invokeMethod(page, "Mystart"));
        QCOMPARE(bar->value(), tick - 1);
    }
    QVERIFY(fake->sleeps.isEmpty());
    QVERIFY(page->isVisible());

    // The last tick: the full bar, the pause, then the finish page.
    QVERIFY(QMetaObject::invokeMethod(page, "Mystart"));
    QCOMPARE(fake->sleeps, QList<int>{MyInstall::handOverPauseMs});
    QVERIFY(shownFullDuringPause);
    QVERIFY(!page->isVisible());
    for (QTimer *timer : page->findChildren<QTimer *>())
        QVERIFY(!timer->isActive());
    QCOMPARE(openWindows<MyOK>().size(), 1);
    QVERIFY(openWindows<MyOK>().first()->isVisible());

    QList<int> expected;
    for (int v = 1; v < MyInstall::ticksToEnd; ++v)
        expected << v;
    QCOMPARE(values, expected << bar->maximum());
    QVERIFY(fake->commands.isEmpty());
    QVERIFY(fake->exits.isEmpty());
}

void tst_Installer::slideshowCycles()
{
    MyInstall page;
    auto *label = child<QLabel>(&page, "label");
    QCOMPARE(label->pixmap().toImage(), slideImage(1));
    // Every slide in turn, twice round, then the second again.
    for (int shown = 2; shown <= 2 * MyInstall::slideCount + 2; ++shown) {
        QVERIFY(QMetaObject::invokeMethod(&page, "Mytimepic"));
        QCOMPARE(label->pixmap().toImage(), slideImage((shown - 1) % MyInstall::slideCount + 1));
    }
}

void tst_Installer::finishForm()
{
    // The finish page as the user gets it: the one the progress page opens at its end.
    MyInstall progress;
    for (int tick = 0; tick < MyInstall::ticksToEnd; ++tick)
        QVERIFY(QMetaObject::invokeMethod(&progress, "Mystart"));
    QCOMPARE(openWindows<MyOK>().size(), 1);
    MyOK *page = openWindows<MyOK>().first();
    checkForm(page, "MyOK", {539, 437}, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint,
              "centralwidget",
              {{"btnClose", "QPushButton", {430, 18, 58, 37}},
               {"chRun", "QCheckBox", {40, 220, 41, 16}},
               {"chRunAll", "QCheckBox", {40, 250, 41, 16}},
               {"btnOK", "QPushButton", {40, 290, 71, 41}}});
    for (const char *box : {"chRun", "chRunAll"}) {
        QVERIFY(child<QCheckBox>(page, box)->isChecked());
        QVERIFY(child<QCheckBox>(page, box)->isEnabled());
        QCOMPARE(child<QCheckBox>(page, box)->text(), QString());
    }
    QCOMPARE(child<QPushButton>(page, "btnOK")->text(), QString());
    QCOMPARE(child<QPushButton>(page, "btnOK")->accessibleName(), u"完成"_s);
    QCOMPARE(child<QCheckBox>(page, "chRun")->accessibleName(), u"立即体验"_s);
    QCOMPARE(child<QCheckBox>(page, "chRunAll")->accessibleName(), u"设置开机启动"_s);
    QCOMPARE(child<QPushButton>(page, "btnClose")->accessibleName(), u"关闭"_s);
    checkLooks(page);
}

void tst_Installer::finishButton_data()
{
    QTest::addColumn<bool>("run");
    QTest::addColumn<bool>("runAll");
    QTest::addColumn<QStringList>("commands");
    const QString open = u"cmd /C \"\""_s + desktop + u"\\Zelvane儿童电脑操作系统2.0.lnk\"\""_s;
    const QString remove =
        u"cmd /C del /Q /F \""_s + startup + u"\\Zelvane儿童电脑操作系统2.0.lnk\""_s;
    QTest::newRow("both ticked") << true << true << QStringList{open};
    QTest::newRow("run only") << true << false << QStringList{open, remove};
    QTest::newRow("log-on only") << false << true << QStringList{};
    QTest::newRow("neither") << false << false << QStringList{remove};
}

void tst_Installer::finishButton()
{
    QFETCH(bool, run);
    QFETCH(bool, runAll);
    QFETCH(QStringList, commands);
    MyOK page;
    page.show();
    // The boxes have no text: a user clicks on the box itself, at their left end.
    const auto clickBox = [&page](const char *name) {
        QTest::mouseClick(child<QCheckBox>(&page, name), Qt::LeftButton, {}, QPoint(7, 8));
    };
    // They are only read when the button is pressed: toggle them back and forth first.
    for (const char *name : {"chRun", "chRunAll"}) {
        clickBox(name);
        QVERIFY(!child<QCheckBox>(&page, name)->isChecked());
        clickBox(name);
    }
    if (!run)
        clickBox("chRun");
    if (!runAll)
        clickBox("chRunAll");
    QVERIFY(fake->commands.isEmpty());

    QTest::mouseClick(child<QPushButton>(&page, "btnOK"), Qt::LeftButton);
    QCOMPARE(fake->commands, commands);
    QCOMPARE(fake->exits, QList<int>{0});
}

void tst_Installer::finishSkipsWhatHasNoFolder()
{
    fake->folders.clear(); // neither folder can be determined
    MyOK page;
    child<QCheckBox>(&page, "chRunAll")->setChecked(false);
    child<QPushButton>(&page, "btnOK")->click();
    QCOMPARE(fake->commands, QStringList());
    QCOMPARE(fake->exits, QList<int>{0});

    // A Desktop shortcut that is no plain file (a link, a folder, none) is not opened.
    fake->folders = {{Platform::Folder::Desktop, desktop}};
    fake->notPlainFiles = {QDir(desktop).filePath(Product::shortcutName())};
    MyOK again;
    child<QPushButton>(&again, "btnOK")->click();
    QCOMPARE(fake->commands, QStringList());
}

void tst_Installer::finishCloseEndsAtOnce()
{
    MyOK page;
    page.show();
    child<QCheckBox>(&page, "chRunAll")->setChecked(false);
    BoxAnswerer noBox;
    QTest::mouseClick(child<QPushButton>(&page, "btnClose"), Qt::LeftButton);
    QCOMPARE(fake->exits, QList<int>{0});
    QVERIFY(fake->commands.isEmpty());
    QVERIFY(!noBox.seen);
}

void tst_Installer::languageChangeReappliesTexts()
{
    MainWindow welcome;
    MyInstall progress;
    MyOK finish;
    auto *label2 = child<QLabel>(&progress, "label_2");
    auto *next = child<QPushButton>(&welcome, "btnNext");
    for (QWidget *w : std::initializer_list<QWidget *>{&welcome, &progress, &finish})
        w->setWindowTitle(u"stale"_s);
    label2->setText(u"stale"_s);
    next->setAccessibleName(u"stale"_s);
    next->setText(u"stale"_s);

    for (QWidget *w : std::initializer_list<QWidget *>{&welcome, &progress, &finish}) {
        QEvent change(QEvent::LanguageChange);
        QApplication::sendEvent(w, &change);
        QCOMPARE(w->windowTitle(), u"MainWindow"_s);
    }
    QCOMPARE(label2->text(), u"正在安装 ..."_s);
    QCOMPARE(next->text(), QString());
    QCOMPARE(next->accessibleName(), u"下一步"_s);
}

QTEST_MAIN(tst_Installer)
#include "tst_installer.moc"
