#include "pictures.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QTest>

using namespace Qt::StringLiterals;

// The committed pictures are what the artwork tool paints today: a caption or a drawing changed
// in the painter without painting the picture again shows up here, by name.
class tst_Artwork : public QObject
{
    Q_OBJECT

private slots:
    void everyPictureAsPainted();

private:
    // How many pixels of the two differ by more than the noise a rasteriser or an encoder may add.
    static qsizetype differingPixels(const QImage &painted, const QImage &committed);
};

qsizetype tst_Artwork::differingPixels(const QImage &painted, const QImage &committed)
{
    const QImage a = painted.convertToFormat(QImage::Format_ARGB32);
    const QImage b = committed.convertToFormat(QImage::Format_ARGB32);
    qsizetype count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *q = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int d =
                qMax(qMax(qAbs(qRed(p[x]) - qRed(q[x])), qAbs(qGreen(p[x]) - qGreen(q[x]))),
                     qMax(qAbs(qBlue(p[x]) - qBlue(q[x])), qAbs(qAlpha(p[x]) - qAlpha(q[x]))));
            count += d > 24;
        }
    }
    return count;
}

void tst_Artwork::everyPictureAsPainted()
{
    QStringList differ;
    int compared = 0;
    for (const Picture &picture : allPictures()) {
        for (int scale = 1; scale <= (picture.shown ? 2 : 1); ++scale) {
            QString name = picture.name;
            if (scale == 2)
                name.insert(name.lastIndexOf(u'.'), u"@2x"_s);
            const QString file = QStringLiteral(SOURCE_DIR) + u'/' + picture.folder + u'/' + name;
            const QImage committed(file);
            QImage painted = picture.render(scale);
            if (name.endsWith(u".jpg"_s)) {
                // As the tool stores it, so that only the painting is compared, not the encoder.
                QBuffer jpeg;
                jpeg.open(QIODevice::WriteOnly);
                painted.save(&jpeg, "JPEG", 92);
                painted = QImage::fromData(jpeg.data(), "JPEG");
            }
            ++compared;
            if (committed.size() != painted.size()) {
                differ << name + u" (size)"_s;
                continue;
            }
            // A few hundredths of the picture may differ: anti-aliased edges on another machine.
            const qsizetype pixels = differingPixels(painted, committed);
            if (pixels > qsizetype(committed.width()) * committed.height() / 2000)
                differ << u"%1/%2 (%3 pixels)"_s.arg(picture.folder, name).arg(pixels);
        }
    }
    QVERIFY(compared > 40);
    QVERIFY2(differ.isEmpty(), qPrintable(u"painted again, these differ from the committed "
                                          "files (run the artwork tool for them): "_s
                                          + differ.join(u", "_s)));
}

QTEST_MAIN(tst_Artwork)
#include "tst_artwork.moc"
