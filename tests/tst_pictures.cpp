#include "myinstall.h"

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTest>

using namespace Qt::StringLiterals;

static QString doubled(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    return path.left(dot) + u"@2x"_s + path.mid(dot);
}

// Every picture of both image bundles, at the size and with the alpha channel the windows
// expect, and for each one a window shows its double-size twin for high-density screens.
class tst_Pictures : public QObject
{
    Q_OBJECT

private slots:
    void picture_data();
    void picture();
    void bundlesHoldExactlyTheListedFiles();
    void programIcons_data();
    void programIcons();

private:
    struct Expected
    {
        QString path;
        QSize size;
        bool alpha;
        bool twin = false; // shown by a window, so also at twice the size
    };
    static QList<Expected> expected();
};

QList<tst_Pictures::Expected> tst_Pictures::expected()
{
    const QString in = u":/new/prefix1/sourcess/"_s;
    const QString un = u":/new/prefix1/Images/"_s;
    QList<Expected> list = {
        {in + u"01.png"_s, {557, 424}, true, true},  {in + u"02.png"_s, {579, 454}, true, true},
        {in + u"03.png"_s, {516, 424}, true},        {in + u"04.png"_s, {539, 437}, true, true},
        {in + u"ren.png"_s, {568, 418}, true},       {in + u"index.jpg"_s, {163, 322}, false},
        {un + u"022.png"_s, {570, 462}, true, true}, {un + u"tuichu.png"_s, {516, 424}, true, true},
    };
    for (int n = 1; n <= 3; ++n) {
        const QString number = QString::number(n);
        const bool shown = n < 3; // the third button state is never shown
        list << Expected{in + u"b-"_s + number + u".png"_s, {96, 41}, true, shown}
             << Expected{in + u"close_"_s + number + u".png"_s, {59, 37}, true, shown}
             << Expected{in + u"w-"_s + number + u".png"_s, {72, 41}, true, shown}
             << Expected{in + u"b"_s + number + u".jpg"_s, {343, 205}, false}
             << Expected{un + u"b-"_s + number + u".png"_s, {92, 41}, true, shown}
             << Expected{un + u"close_"_s + number + u".png"_s, {59, 37}, true, shown};
    }
    for (int n = 1; n <= MyInstall::slideCount; ++n)
        list << Expected{in + u"b%1.png"_s.arg(n), {343, 205}, false, true};
    return list;
}

void tst_Pictures::picture_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("alpha");
    QTest::addColumn<bool>("twin");
    for (const Expected &e : expected())
        QTest::newRow(qPrintable(e.path)) << e.path << e.size << e.alpha << e.twin;
}

void tst_Pictures::picture()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(bool, alpha);
    QFETCH(bool, twin);
    if (!path.endsWith(u".png"_s) && !QImageReader::supportedImageFormats().contains("jpeg"))
        QSKIP("this Qt reads no JPEG (the Windows build leaves it out: every picture shown is a "
              "PNG)");
    QList<std::pair<QString, QSize>> files = {{path, size}};
    if (twin)
        files.append({doubled(path), size * 2});
    for (const auto &[file, expectedSize] : std::as_const(files)) {
        QImageReader reader(file);
        QCOMPARE(reader.format(),
                 path.endsWith(u".png"_s) ? QByteArray("png") : QByteArray("jpeg"));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(file + u": "_s + reader.errorString()));
        QCOMPARE(image.size(), expectedSize);
        QCOMPARE(image.hasAlphaChannel(), alpha);
        if (alpha) {
            // The outline comes from the picture: its corner is see-through, its middle is not.
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
            QVERIFY(qAlpha(image.pixel(image.width() / 2, image.height() / 2)) > 200);
        }
    }
}

void tst_Pictures::bundlesHoldExactlyTheListedFiles()
{
    QStringList listed;
    for (const Expected &e : expected()) {
        listed << e.path;
        if (e.twin)
            listed << doubled(e.path);
    }
    QStringList found;
    for (const QString &root : {u":/new/prefix1/sourcess"_s, u":/new/prefix1/Images"_s}) {
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
    }
    listed.sort();
    found.sort();
    QCOMPARE(found, listed);
}

void tst_Pictures::programIcons_data()
{
    QTest::addColumn<QString>("program");
    for (const char *program : {"installer", "uninstaller", "launcher"})
        QTest::newRow(program) << QString::fromLatin1(program);
}

void tst_Pictures::programIcons()
{
    // The header and the one directory entry of the .ico: exactly one 48 x 48, 32-bit image.
    QFETCH(QString, program);
    QFile icon(QStringLiteral(SOURCE_DIR) + u"/"_s + program + u"/"_s + program + u".ico"_s);
    QVERIFY(icon.open(QIODevice::ReadOnly));
    const QByteArray data = icon.readAll();
    QVERIFY(data.size() > 22);
    const auto word = [&data](int at) { return quint8(data[at]) | quint8(data[at + 1]) << 8; };
    QCOMPARE(word(0), 0);          // reserved
    QCOMPARE(word(2), 1);          // an icon
    QCOMPARE(word(4), 1);          // one image
    QCOMPARE(quint8(data[6]), 48); // width
    QCOMPARE(quint8(data[7]), 48); // height
    QCOMPARE(word(12), 32);        // bits per pixel
    if (!QImageReader::supportedImageFormats().contains("ico"))
        QSKIP(
            "this Qt reads no .ico (the Windows build leaves it out); the header above is checked");
    const QImage image = QImage::fromData(data, "ICO");
    QCOMPARE(image.size(), QSize(48, 48));
    QVERIFY(image.hasAlphaChannel());
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
}

QTEST_GUILESS_MAIN(tst_Pictures)
#include "tst_pictures.moc"
