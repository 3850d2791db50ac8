#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTest>

// Every picture of both image bundles, at the size and with the alpha channel the windows
// expect, and its double-size twin for high-density screens.
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
    };
    static QList<Expected> expected();
};

QList<tst_Pictures::Expected> tst_Pictures::expected()
{
    const QString in = ":/new/prefix1/sourcess/";
    const QString un = ":/new/prefix1/Images/";
    QList<Expected> list = {
        {in + "01.png", {557, 424}, true},  {in + "02.png", {579, 454}, true},
        {in + "03.png", {516, 424}, true},  {in + "04.png", {539, 437}, true},
        {in + "ren.png", {568, 418}, true}, {in + "index.jpg", {163, 322}, false},
        {un + "022.png", {570, 462}, true}, {un + "tuichu.png", {516, 424}, true},
    };
    for (const QString n : {"1", "2", "3"}) {
        list << Expected{in + "b-" + n + ".png", {96, 41}, true}
             << Expected{in + "close_" + n + ".png", {59, 37}, true}
             << Expected{in + "w-" + n + ".png", {72, 41}, true}
             << Expected{in + "b" + n + ".png", {343, 205}, false}
             << Expected{in + "b" + n + ".jpg", {343, 205}, false}
             << Expected{un + "b-" + n + ".png", {92, 41}, true}
             << Expected{un + "close_" + n + ".png", {59, 37}, true};
    }
    return list;
}

void tst_Pictures::picture_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("alpha");
    for (const Expected &e : expected())
        QTest::newRow(qPrintable(e.path)) << e.path << e.size << e.alpha;
}

void tst_Pictures::picture()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(bool, alpha);
    const QString twin = path.left(path.lastIndexOf('.')) + "@2x" + path.mid(path.lastIndexOf('.'));
    if (!path.endsWith(".png") && !QImageReader::supportedImageFormats().contains("jpeg"))
        QSKIP("this Qt reads no JPEG (the Windows build leaves it out: every picture shown is a "
              "PNG)");
    for (const auto &[file, expectedSize] : {std::pair{path, size}, std::pair{twin, size * 2}}) {
        QImageReader reader(file);
        QCOMPARE(reader.format(), path.endsWith(".png") ? QByteArray("png") : QByteArray("jpeg"));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(file + ": " + reader.errorString()));
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
        const qsizetype dot = e.path.lastIndexOf('.');
        listed << e.path << e.path.left(dot) + "@2x" + e.path.mid(dot);
    }
    QStringList found;
    for (const QString root : {":/new/prefix1/sourcess", ":/new/prefix1/Images"}) {
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
        QTest::newRow(program) << QString(program);
}

void tst_Pictures::programIcons()
{
    // The header and the one directory entry of the .ico: exactly one 48 x 48, 32-bit image.
    QFETCH(QString, program);
    QFile icon(QString(SOURCE_DIR) + "/" + program + "/" + program + ".ico");
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
