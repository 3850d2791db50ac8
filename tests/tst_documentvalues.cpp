#include "exitquestion.h"
#include "myinstall.h"
#include "product.h"
#include "uninstaller/mainwindow.h"
#include "updatelauncher.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

// The values the programs' description fixes, written out here once: the other suites check
// behaviour against the programs' own named values, so a changed value fails only this table,
// in the row that names it.
class tst_DocumentValues : public QObject
{
    Q_OBJECT

private slots:
    void value_data();
    void value();

private:
    // Every "#selector { ... url(picture) }" rule of a form's style sheets: selector -> picture.
    static QMap<QString, QString> pictureRules(const QString &form);
};

QMap<QString, QString> tst_DocumentValues::pictureRules(const QString &form)
{
    QFile file(QStringLiteral(SOURCE_DIR) + u'/' + form);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString sheets;
    QXmlStreamReader xml(&file);
    bool inSheet = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"property")
            inSheet = xml.attributes().value(u"name"_s) == u"styleSheet";
        else if (inSheet && xml.isStartElement() && xml.name() == u"string")
            sheets += xml.readElementText() + u'\n';
    }
    QMap<QString, QString> rules;
    static const QRegularExpression rule(u"#([\\w:]+)\\s*\\{[^}]*url\\(([^)]*)\\)"_s);
    for (auto it = rule.globalMatch(sheets); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        rules.insert(match.captured(1), match.captured(2).section(u'/', -1));
    }
    return rules;
}

void tst_DocumentValues::value_data()
{
    QTest::addColumn<QVariant>("actual");
    QTest::addColumn<QVariant>("documented");
    const auto row = [](const char *name, const QVariant &actual, const QVariant &documented) {
        QTest::newRow(name) << actual << documented;
    };

    row("installer: bar tick, ms", MyInstall::tickMs, 500);
    row("installer: ticks to the full bar", MyInstall::ticksToEnd, 100);
    row("installer: slide change, ms", MyInstall::slideIntervalMs, 2000);
    row("installer: slides", MyInstall::slideCount, 3);
    row("installer: pause before the finish page, ms", MyInstall::handOverPauseMs, 2000);
    row("uninstaller: bar tick, ms", MainWindow::tickMs, 50);
    row("uninstaller: bar value at which the product is removed", MainWindow::removalValue, 15);
    row("uninstaller: bar's last value", MainWindow::lastValue, 100);

    row("application name", Product::applicationName(), u"Korrindel zelvane2.0"_s);
    row("application version", Product::applicationVersion(), u"2.0"_s);
    row("shortcut", Product::shortcutName(), u"Zelvane儿童电脑操作系统2.0.lnk"_s);
    row("Start-menu group", Product::groupName(), u"Zelvane2.0"_s);
    row("splash", Product::splashName(), u"loding.exe"_s);
    row("setup program", Product::setupName(), u"setup.exe"_s);
    row("self-updater", Product::selfUpdaterName(), u"updateSelf.exe"_s);
    row("launcher's lock", Product::launcherLockName(), u"OrvixUpdateManager"_s);

    row("box: installer's exit question", QString::fromUtf8(exitQuestionTitle), u"安装询问"_s);
    row("box: exit question's text", QString::fromUtf8(exitQuestionText),
        u"您确定退出zelvane2.0安装程序吗？"_s);
    row("box: uninstaller's removal incomplete", QString::fromUtf8(MainWindow::incompleteTitle),
        u"卸载未完成"_s);
    row("box: launcher, library name rejected", QString::fromLatin1(UpdateLauncher::nameCheckTitle),
        u"updatemanger"_s);
    row("box: launcher, library not loaded", QString::fromLatin1(UpdateLauncher::loadErrorTitle),
        u"Error"_s);
    row("box: launcher, no export", QString::fromLatin1(UpdateLauncher::missingExportTitle),
        u"Warning!"_s);
    row("box: launcher, self-updater not started",
        QString::fromLatin1(UpdateLauncher::startErrorTitle), u"Pellora"_s);

    // Each picture button, normal and under the mouse, as its window's style sheets name it.
    const struct
    {
        const char *form;
        const char *button;
        const char *normal;
        const char *hover;
    } buttons[] = {
        {"installer/mainwindow.ui", "btnClose", "close_1.png", "close_2.png"},
        {"installer/mainwindow.ui", "btnNext", "b-1.png", "b-2.png"},
        {"installer/myinstall.ui", "btnClose", "close_1.png", "close_2.png"},
        {"installer/myok.ui", "btnClose", "close_1.png", "close_2.png"},
        {"installer/myok.ui", "btnOK", "w-1.png", "w-2.png"},
        {"uninstaller/mainwindow.ui", "btnClose", "close_1.png", "close_2.png"},
        {"uninstaller/mainwindow.ui", "btnNext", "b-1.png", "b-2.png"},
        {"uninstaller/unok.ui", "btnClose", "close_1.png", "close_2.png"},
    };
    for (const auto &b : buttons) {
        const QMap<QString, QString> rules = pictureRules(QString::fromLatin1(b.form));
        const QString button = QString::fromLatin1(b.button);
        const QByteArray name = QByteArray(b.form) + " #" + b.button;
        QTest::newRow(name.constData())
            << QVariant(rules.value(button)) << QVariant(QString::fromLatin1(b.normal));
        QTest::newRow(QByteArray(name + ":hover").constData())
            << QVariant(rules.value(button + u":hover"_s))
            << QVariant(QString::fromLatin1(b.hover));
    }
}

void tst_DocumentValues::value()
{
    QFETCH(QVariant, actual);
    QFETCH(QVariant, documented);
    QCOMPARE(actual, documented);
}

QTEST_APPLESS_MAIN(tst_DocumentValues)
#include "tst_documentvalues.moc"
