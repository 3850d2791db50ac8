#include "commands.h"
#include "systemplatform.h"
#include "testfiles.h"
#include "windowscommandline.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The command lines go to the system as they are: every one is checked to the character.
class tst_Commands : public QObject
{
    Q_OBJECT

private slots:
    void formats_data();
    void formats();
    void missingFolderGivesNoCommand();
    void cmdRunsOnePath_data();
    void cmdRunsOnePath();
    void systemRunsOnePath();
    void split_data();
    void split();
};

void tst_Commands::formats_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("expected");
    const QString lnk = Product::shortcutName();

    QTest::newRow("splash") << Commands::killSplash()
                            << QStringLiteral("taskkill /IM loding.exe /F");
    QTest::newRow("setup") << Commands::runSetup(QStringLiteral("C:\\Temp"))
                           << QStringLiteral("cmd /C \"\"C:\\Temp\\setup.exe\"\"");
    QTest::newRow("setup, long TMP, no limit")
        << Commands::runSetup(QStringLiteral("C:\\") + QString(400, QLatin1Char('x')))
        << QStringLiteral("cmd /C \"\"C:\\") + QString(400, QLatin1Char('x'))
               + QStringLiteral("\\setup.exe\"\"");
    QTest::newRow("open shortcut")
        << Commands::openFile(QStringLiteral("C:\\Users\\小明\\Desktop"), lnk)
        << QStringLiteral(
               "cmd /C \"\"C:\\Users\\小明\\Desktop\\Zelvane儿童电脑操作系统2.0.lnk\"\"");
    QTest::newRow("delete shortcut")
        << Commands::deleteFile(QStringLiteral("C:\\Start Menu\\Programs\\Startup"), lnk)
        << QStringLiteral("cmd /C del /Q /F \"C:\\Start "
                          "Menu\\Programs\\Startup\\Zelvane儿童电脑操作系统2.0.lnk\"");
    QTest::newRow("remove group")
        << Commands::removeFolder(QStringLiteral("C:\\Start Menu\\Programs"), Product::groupName())
        << QStringLiteral("cmd /C rmdir /S /Q \"C:\\Start Menu\\Programs\\Zelvane2.0\"");
    QTest::newRow("self-updater, path unquoted")
        << Commands::runSelfUpdater(QStringLiteral("D:\\My Updates\\pkg 1.zip"))
        << QStringLiteral("updateSelf.exe D:\\My Updates\\pkg 1.zip");
    QTest::newRow("self-updater, %1 in path left alone")
        << Commands::runSelfUpdater(QStringLiteral("D:\\a%1b"))
        << QStringLiteral("updateSelf.exe D:\\a%1b");
}

void tst_Commands::formats()
{
    QFETCH(QString, command);
    QFETCH(QString, expected);
    QCOMPARE(command, expected);
}

void tst_Commands::missingFolderGivesNoCommand()
{
    // Never "\setup.exe" or "\<shortcut>" on the current drive's root.
    QVERIFY(Commands::runSetup(QString()).isEmpty());
    QVERIFY(Commands::runSetup(QStringLiteral("")).isEmpty());
    QVERIFY(Commands::openFile(QString(), Product::shortcutName()).isEmpty());
    QVERIFY(Commands::deleteFile(QString(), Product::shortcutName()).isEmpty());
    QVERIFY(Commands::removeFolder(QString(), Product::groupName()).isEmpty());

    // A quote in a folder would end the quoted path early: <shared>/q"x would run
    // <shared>/qx/setup.exe. No Windows name holds one, so no command is made of it. cmd
    // expands %VAR% inside quotes too, with no escape on a /C line: none is made of that either.
    for (const QString &folder :
         {QStringLiteral("/tmp/shared/q\"x"), QStringLiteral("/home/u/My \"Desk\""),
          QStringLiteral("/home/u/.config\" /evil/autostart"), QStringLiteral("C:\\pct3\\%PV%"),
          QStringLiteral("C:\\100% sure")}) {
        QVERIFY(Commands::runSetup(folder).isEmpty());
        QVERIFY(Commands::openFile(folder, Product::shortcutName()).isEmpty());
        QVERIFY(Commands::deleteFile(folder, Product::shortcutName()).isEmpty());
        QVERIFY(Commands::removeFolder(folder, Product::groupName()).isEmpty());
    }
}

void tst_Commands::cmdRunsOnePath_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<QStringList>("runs");
    // cmd /?: the quotes after /C stay only if there are exactly two, with a blank and none of
    // &<>()@^| between them, around an executable file's name; else a leading quote and the
    // last quote go. Whatever the folder holds, cmd must run the one whole path.
    const QString lnk = Product::shortcutName();
    const QString folders[] = {
        u"C:\\Users\\John Smith\\Desktop"_s, u"C:\\Users\\j\\OneDrive - Company\\Desktop"_s,
        u"C:\\Users\\小明 王\\桌面"_s,       u"C:\\Users\\A&B\\Desktop"_s,
        u"C:\\Users\\x^y (2)\\Desktop"_s,    u"C:\\NoBlank\\Desktop"_s};
    for (const QString &folder : folders) {
        QTest::addRow("shortcut in %s", qPrintable(folder))
            << Commands::openFile(folder, lnk) << false << QStringList{folder + u'\\' + lnk};
        QTest::addRow("setup in %s", qPrintable(folder))
            << Commands::runSetup(folder) << true << QStringList{folder + u"\\setup.exe"_s};
    }
    QTest::newRow("del keeps its quotes")
        << Commands::deleteFile(folders[3], lnk) << false
        << QStringList{u"del"_s, u"/Q"_s, u"/F"_s, folders[3] + u'\\' + lnk};
    QTest::newRow("rmdir keeps its quotes")
        << Commands::removeFolder(folders[0], Product::groupName()) << false
        << QStringList{u"rmdir"_s, u"/S"_s, u"/Q"_s, folders[0] + u"\\Zelvane2.0"_s};
}

void tst_Commands::cmdRunsOnePath()
{
    QFETCH(QString, command);
    QFETCH(bool, executable);
    QFETCH(QStringList, runs);
    QVERIFY(command.startsWith(u"cmd /C "_s));
    const QString text =
        cmdCommandText(command.mid(6), [executable](const QString &) { return executable; });
    QCOMPARE(splitWindowsCommandLine(text), runs);
}

void tst_Commands::systemRunsOnePath()
{
    // The system's own cmd (Wine's on Linux hosts, or the stand-in here) runs a file in a
    // folder whose name holds a blank and cmd's special characters.
    QTemporaryDir root;
    const QString folder = root.filePath(u"a & b (c) ^d 中文"_s);
    QVERIFY(QDir().mkpath(folder));
#ifdef Q_OS_WIN
    const QString script = u"x.bat"_s;
    const QByteArray body = "@echo ran> \"%~dp0ran.txt\"\r\n";
#else
    const QString script = u"x.sh"_s;
    const QByteArray body = "#!/bin/sh\necho ran > \"$(dirname \"$0\")/ran.txt\"\n";
#endif
    QFile file(folder + u'/' + script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(body);
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    SystemPlatform system;
    QVERIFY(system.startHidden(Commands::openFile(QDir::toNativeSeparators(folder), script)));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder + u"/ran.txt"_s), 20000);
}

void tst_Commands::split_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("plain") << QStringLiteral("taskkill /IM loding.exe /F")
                           << QStringList{u"taskkill"_s, u"/IM"_s, u"loding.exe"_s, u"/F"_s};
    QTest::newRow("quoted path with blanks")
        << QStringLiteral("cmd /C \"/tmp/my dir\\setup.exe\"")
        << QStringList{u"cmd"_s, u"/C"_s, u"/tmp/my dir\\setup.exe"_s};
    QTest::newRow("Chinese")
        << QStringLiteral("cmd /C del /Q /F \"/home/小明/桌面\\Zelvane儿童电脑操作系统2.0.lnk\"")
        << QStringList{u"cmd"_s, u"/C"_s, u"del"_s,
                       u"/Q"_s,  u"/F"_s, u"/home/小明/桌面\\Zelvane儿童电脑操作系统2.0.lnk"_s};
    QTest::newRow("extra blanks and tabs")
        << QStringLiteral("a  \t b   c ") << QStringList{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("quoted program") << QStringLiteral("\"C:\\Program Files\\x\\y.exe\" 1")
                                    << QStringList{u"C:\\Program Files\\x\\y.exe"_s, u"1"_s};
    QTest::newRow("escaped quote") << QStringLiteral("p a\\\"b") << QStringList{u"p"_s, u"a\"b"_s};
    QTest::newRow("backslashes before quote")
        << QStringLiteral("p \"a\\\\\" b") << QStringList{u"p"_s, u"a\\"_s, u"b"_s};
    QTest::newRow("backslashes elsewhere")
        << QStringLiteral("p a\\\\b") << QStringList{u"p"_s, u"a\\\\b"_s};
    QTest::newRow("empty quoted argument")
        << QStringLiteral("p \"\" x") << QStringList{u"p"_s, u""_s, u"x"_s};
    QTest::newRow("doubled quote inside quotes")
        << QStringLiteral("p \"a\"\"b\"") << QStringList{u"p"_s, u"a\"b"_s};
    QTest::newRow("nothing") << QString() << QStringList();
}

void tst_Commands::split()
{
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QCOMPARE(splitWindowsCommandLine(line), words);
}

QTEST_APPLESS_MAIN(tst_Commands)
#include "tst_commands.moc"
