#include "commands.h"
#include "mainwindow.h"
#include "recordingplatform.h"
#include "testfiles.h"
#include "unok.h"

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

// The uninstaller's windows on a real temporary product folder and real shortcut folders,
// with a platform that records the commands instead of starting them.
class tst_Uninstaller : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void mainForm();
    void completionForm();
    void runRemovesAtFifteenThenCompletes();
    void startClickedTwiceRunsOnce();
    void refusedFolderStillRemovesShortcuts_data();
    void refusedFolderStillRemovesShortcuts();
    void unknownFoldersAreSkipped();
    void closeButtonsEndAtOnce();
    void languageChangeReappliesTexts();

private:
    void startAndWaitForCompletion(MainWindow &window, int clicks = 1);
    static QList<UnOk *> completionPages();

    RecordingPlatform *fake = nullptr;
    std::unique_ptr<QTemporaryDir> root;
    QString home, product, desktop, startup, programs;
};

void tst_Uninstaller::init()
{
    root = std::make_unique<QTemporaryDir>();
    home = root->filePath("home");
    product = home + "/Zelvane2.0";
    desktop = home + "/桌面";
    startup = home + "/.config/autostart";
    programs = home + "/.local/share/applications";
    const QString lnk = Product::shortcutName();
    for (const QString &file :
         {product + "/uninstaller", product + "/lessons/第一课.txt", product + "/paint/.settings",
          desktop + "/" + lnk, desktop + "/homework.txt", startup + "/" + lnk,
          programs + "/Zelvane2.0/Zelvane.desktop"})
        touch(file);
    fake = new RecordingPlatform;
    fake->ownFolder = product;
    fake->folders = {{Platform::Folder::Desktop, desktop},
                     {Platform::Folder::Startup, startup},
                     {Platform::Folder::Programs, programs}};
    setPlatform(fake);
}

void tst_Uninstaller::cleanup()
{
    qDeleteAll(completionPages());
    setPlatform(nullptr);
    delete fake;
}

QList<UnOk *> tst_Uninstaller::completionPages()
{
    QList<UnOk *> pages;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *page = qobject_cast<UnOk *>(widget))
            pages << page;
    return pages;
}

void tst_Uninstaller::startAndWaitForCompletion(MainWindow &window, int clicks)
{
    window.show();
    for (int i = 0; i < clicks; ++i)
        QTest::mouseClick(child<QPushButton>(&window, "btnNext"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!completionPages().isEmpty(), 20000);
}

void tst_Uninstaller::mainForm()
{
    MainWindow window;
    QCOMPARE(window.objectName(), QString("MainWindow"));
    QCOMPARE(window.size(), QSize(570, 462));
    QCOMPARE(window.windowFlags() & ~Qt::Window, Qt::FramelessWindowHint);
    QVERIFY(window.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(window.windowTitle(), QString("MainWindow"));
    QCOMPARE(window.styleSheet(), QString());
    QCOMPARE(window.centralWidget()->objectName(), QString("centralWidget"));
    QCOMPARE(
        window.centralWidget()->styleSheet(),
        QString(
            "#btnClose \n{\n\tborder:none;\n\tbackground-image: "
            "url(:/new/prefix1/Images/close_1.png);\n}\n"
            "#btnClose:hover { \n\tbackground-image: url(:/new/prefix1/Images/close_2.png);\n}\n"
            "#centralWidget\n{\n\tbackground-image: "
            "url(:/new/prefix1/Images/022.png);\n\tbackground-color: rgba(0, 0,0, "
            "0);\n\tborder:none;\n}\n"
            "#btnNext \n{\n\tborder:none;\n\t\n\tbackground-image: "
            "url(:/new/prefix1/Images/b-1.png);\n}\n"
            "#btnNext:hover { \n\t\n\tbackground-image: url(:/new/prefix1/Images/b-2.png);\n}"));
    const QStringList order = {"btnClose", "progressBar", "label", "btnNext"};
    const QList<QRect> geometry = {
        {485, 56, 58, 37}, {90, 420, 450, 13}, {90, 400, 91, 16}, {390, 270, 92, 41}};
    const QObjectList children = window.centralWidget()->children();
    for (int i = 0; i < order.size(); ++i) {
        QCOMPARE(children.at(i)->objectName(), order.at(i));
        QCOMPARE(qobject_cast<QWidget *>(children.at(i))->geometry(), geometry.at(i));
    }
    auto *bar = child<QProgressBar>(&window, "progressBar");
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(child<QLabel>(&window, "label")->text(), QString("开始卸载 ..."));
    QVERIFY(child<QLabel>(&window, "label")->isHidden());
    QCOMPARE(child<QPushButton>(&window, "btnNext")->text(), QString());
    QCOMPARE(child<QPushButton>(&window, "btnClose")->text(), QString());
    QCOMPARE(child<QPushButton>(&window, "btnNext")->accessibleName(), QString("立即卸载"));
    QVERIFY(window.findChildren<QTimer *>().isEmpty()); // no timer before Start
}

void tst_Uninstaller::completionForm()
{
    UnOk page;
    QCOMPARE(page.objectName(), QString("UnOk"));
    QCOMPARE(page.size(), QSize(516, 424));
    QCOMPARE(page.windowFlags() & ~Qt::Window, Qt::FramelessWindowHint);
    QVERIFY(page.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(page.windowTitle(), QString("MainWindow"));
    QCOMPARE(page.centralWidget()->objectName(), QString("centralwidget"));
    QCOMPARE(
        page.centralWidget()->styleSheet(),
        QString(
            "#btnClose \n{\n\tborder:none;\n\tbackground-image: "
            "url(:/new/prefix1/Images/close_1.png);\n}\n"
            "#btnClose:hover { \n\tbackground-image: url(:/new/prefix1/Images/close_2.png);\n}\n"
            "#centralwidget\n{\n\t\n\tbackground-image: url(:/new/prefix1/Images/tuichu.png);\n}"));
    QCOMPARE(child<QPushButton>(&page, "btnClose")->geometry(), QRect(425, 18, 58, 36));
    QCOMPARE(child<QPushButton>(&page, "btnClose")->text(), QString());
}

void tst_Uninstaller::runRemovesAtFifteenThenCompletes()
{
    MainWindow window;
    auto *bar = child<QProgressBar>(&window, "progressBar");
    QList<int> values;
    connect(bar, &QProgressBar::valueChanged, this, [&values](int v) { values << v; });
    // What the world looks like when the group's removal starts, the third of four steps.
    int barAtRemoval = -1;
    bool productEmptied = false, desktopShortcutGone = false, startupShortcutStill = false;
    const QString lnk = Product::shortcutName();
    fake->onStart = [&](const QString &) {
        barAtRemoval = bar->value();
        productEmptied =
            !QFile::exists(product + "/uninstaller") && !QFile::exists(product + "/lessons");
        desktopShortcutGone = !entryExists(desktop + "/" + lnk);
        startupShortcutStill = entryExists(startup + "/" + lnk);
    };

    window.show();
    QTest::mouseClick(child<QPushButton>(&window, "btnNext"), Qt::LeftButton);
    QVERIFY(child<QLabel>(&window, "label")->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!completionPages().isEmpty(), 20000);

    QCOMPARE(fake->commands, QStringList{"cmd /C rmdir /S /Q \"" + programs + "\\Zelvane2.0\""});
    QCOMPARE(barAtRemoval, 15);
    QVERIFY(productEmptied);
    QVERIFY(desktopShortcutGone);
    QVERIFY(startupShortcutStill);
    QVERIFY(!entryExists(startup + "/" + lnk));
    // The hidden file keeps itself and its folders.
    QVERIFY(QFile::exists(product + "/paint/.settings"));
    QVERIFY(QFile::exists(desktop + "/homework.txt"));

    QList<int> expected;
    for (int v = 1; v <= 100; ++v)
        expected << v;
    QCOMPARE(values, expected);
    QCOMPARE(bar->value(), 100);
    QVERIFY(window.isHidden());
    QCOMPARE(completionPages().size(), 1);
    QVERIFY(completionPages().first()->isVisible());
    for (QTimer *timer : window.findChildren<QTimer *>())
        QVERIFY(!timer->isActive());
    QTest::qWait(200);
    QCOMPARE(completionPages().size(), 1);
    QCOMPARE(values.size(), 100);
    QVERIFY(fake->exits.isEmpty());
}

void tst_Uninstaller::startClickedTwiceRunsOnce()
{
    MainWindow window;
    QList<int> values;
    connect(child<QProgressBar>(&window, "progressBar"), &QProgressBar::valueChanged, this,
            [&values](int v) { values << v; });
    startAndWaitForCompletion(window, 3);
    QTest::mouseClick(child<QPushButton>(&window, "btnNext"), Qt::LeftButton); // hidden by now
    QTest::qWait(300);
    QCOMPARE(fake->commands.size(), 1);
    QCOMPARE(completionPages().size(), 1);
    QCOMPARE(window.findChildren<QTimer *>().size(), 1);
    QCOMPARE(values.size(), 100);
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
    touch(folder + "/canary.txt");
    fake->ownFolder = folder;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home));
    // The Desktop is told apart by the platform's answer, so it is refused even by its
    // Chinese name.
    MainWindow window;
    startAndWaitForCompletion(window);
    qputenv("HOME", oldHome);

    QVERIFY(QFile::exists(folder + "/canary.txt"));
    QVERIFY(QFile::exists(product + "/uninstaller"));
    QVERIFY(QFile::exists(desktop + "/homework.txt"));
    QVERIFY(!entryExists(desktop + "/" + Product::shortcutName()));
    QVERIFY(!entryExists(startup + "/" + Product::shortcutName()));
    QCOMPARE(fake->commands.size(), 1);
    QVERIFY(completionPages().first()->isVisible());
}

void tst_Uninstaller::unknownFoldersAreSkipped()
{
    fake->folders.clear();
    MainWindow window;
    startAndWaitForCompletion(window);
    QVERIFY(fake->commands.isEmpty());
    QVERIFY(!QFile::exists(product + "/uninstaller"));
    QVERIFY(entryExists(desktop + "/" + Product::shortcutName()));
    QVERIFY(entryExists(startup + "/" + Product::shortcutName()));
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
    QVERIFY(QFile::exists(product + "/uninstaller"));
    QVERIFY(fake->commands.isEmpty());
}

void tst_Uninstaller::languageChangeReappliesTexts()
{
    MainWindow window;
    UnOk page;
    auto *label = child<QLabel>(&window, "label");
    label->setText("stale");
    child<QPushButton>(&window, "btnNext")->setText("stale");
    window.setWindowTitle("stale");
    page.setWindowTitle("stale");
    for (QWidget *w : std::initializer_list<QWidget *>{&window, &page}) {
        QEvent change(QEvent::LanguageChange);
        QApplication::sendEvent(w, &change);
        QCOMPARE(w->windowTitle(), QString("MainWindow"));
    }
    QCOMPARE(label->text(), QString("开始卸载 ..."));
    QCOMPARE(child<QPushButton>(&window, "btnNext")->text(), QString());
    QVERIFY(label->isHidden()); // re-translation does not show it
}

QTEST_MAIN(tst_Uninstaller)
#include "tst_uninstaller.moc"
