#include "pngwriter.h"

#include <QFile>
#include <QImage>
#include <QtEndian>

namespace {
quint32 crc32(const QByteArray &data)
{
    static quint32 table[256] = {};
    if (table[1] == 0) {
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    }
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : data)
        crc = table[(crc ^ quint8(byte)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

QByteArray bigEndian(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray chunk(const char *type, const QByteArray &data)
{
    const QByteArray typed = QByteArray(type, 4) + data;
    return bigEndian(quint32(data.size())) + typed + bigEndian(crc32(typed));
}
} // namespace

bool writeUnfilteredPng(const QImage &source, const QString &path)
{
    const bool alpha = source.hasAlphaChannel();
    const QImage image =
        source.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const int width = image.width();
    const int height = image.height();
    const qsizetype rowBytes = qsizetype(width) * (alpha ? 4 : 3);

    QByteArray raw;
    raw.reserve((rowBytes + 1) * height);
    for (int y = 0; y < height; ++y) {
        raw.append('\0'); // filter type 0: none
        raw.append(reinterpret_cast<const char *>(image.constScanLine(y)), rowBytes);
    }
    // qCompress gives a zlib stream behind a 4-byte length of its own.
    const QByteArray zlib = qCompress(raw, 9).mid(4);

    QByteArray header = bigEndian(quint32(width)) + bigEndian(quint32(height));
    header.append(char(8));             // bits per channel
    header.append(char(alpha ? 6 : 2)); // RGBA or RGB
    header.append(QByteArray(3, '\0')); // deflate, adaptive filtering method, no interlace
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header)
                           + chunk("IDAT", zlib) + chunk("IEND", QByteArray());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(png) == png.size();
}
