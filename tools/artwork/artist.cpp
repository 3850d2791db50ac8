#include "artist.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

Artist::Artist(QPainter &painter) : p(painter)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
}

QFont Artist::boldFont(qreal pixelSize)
{
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setBold(true);
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    // Sizes are logical; the painter's scale makes them sharp at 2x, so no hinting to pixels.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void Artist::panel(const QRectF &rect, qreal radius, const QColor &top, const QColor &bottom)
{
    p.save();
    p.setPen(Qt::NoPen);
    // Soft shadow: a few widening, fading outlines, shifted down.
    for (int i = 6; i >= 1; --i) {
        const qreal grow = i * 1.5;
        p.setBrush(QColor(20, 60, 110, 10 + (6 - i) * 4));
        p.drawRoundedRect(rect.adjusted(-grow, -grow + 3, grow, grow + 3), radius + grow,
                          radius + grow);
    }
    QLinearGradient sky(rect.topLeft(), rect.bottomLeft());
    sky.setColorAt(0.0, top);
    sky.setColorAt(0.55, top.lighter(125));
    sky.setColorAt(1.0, bottom);
    p.setBrush(sky);
    p.setPen(QPen(QColor(255, 255, 255, 230), 3));
    p.drawRoundedRect(rect, radius, radius);
    p.restore();
}

void Artist::well(const QRectF &rect, qreal radius)
{
    p.save();
    p.setPen(QPen(QColor(120, 190, 240, 160), 1.5));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRoundedRect(rect, radius, radius);
    p.restore();
}

namespace {
QPainterPath hexagon(QPointF centre, qreal r)
{
    QPolygonF corners;
    for (int i = 0; i < 6; ++i) {
        const qreal a = qDegreesToRadians(60.0 * i + 30.0);
        corners << QPointF(centre.x() + r * qCos(a), centre.y() + r * qSin(a));
    }
    QPainterPath path;
    path.addPolygon(corners);
    path.closeSubpath();
    return path;
}
} // namespace

void Artist::turtle(QPointF c, qreal size, bool waving, const QColor &shell)
{
    const qreal w = size;
    const qreal h = size * 0.72;
    const QColor skin(0x9c, 0xd8, 0x5a);
    const QColor line(0x23, 0x5e, 0x2c);
    p.save();
    p.setPen(QPen(line, qMax(1.0, size / 40)));

    // Legs and tail behind the shell.
    p.setBrush(skin);
    p.drawEllipse(QPointF(c.x() - w * 0.32, c.y() + h * 0.42), w * 0.13, h * 0.17);
    p.drawEllipse(QPointF(c.x() + w * 0.22, c.y() + h * 0.44), w * 0.13, h * 0.17);
    if (waving) {
        p.save();
        p.translate(c.x() + w * 0.42, c.y() - h * 0.18);
        p.rotate(-40);
        p.drawEllipse(QPointF(0, 0), w * 0.08, h * 0.24);
        p.restore();
    } else {
        p.drawEllipse(QPointF(c.x() + w * 0.40, c.y() + h * 0.22), w * 0.13, h * 0.15);
    }
    p.drawEllipse(QPointF(c.x() - w * 0.50, c.y() + h * 0.16), w * 0.07, h * 0.06);

    // Head with a round smiling face.
    const QPointF head(c.x() + w * 0.50, c.y() - h * 0.02);
    const qreal hr = w * 0.21;
    p.drawEllipse(head, hr, hr);
    p.setBrush(Qt::white);
    p.setPen(QPen(line, qMax(1.0, size / 60)));
    p.drawEllipse(QPointF(head.x() - hr * 0.28, head.y() - hr * 0.22), hr * 0.24, hr * 0.28);
    p.drawEllipse(QPointF(head.x() + hr * 0.34, head.y() - hr * 0.22), hr * 0.24, hr * 0.28);
    p.setBrush(QColor(0x1d, 0x1d, 0x1d));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(head.x() - hr * 0.22, head.y() - hr * 0.16), hr * 0.12, hr * 0.14);
    p.drawEllipse(QPointF(head.x() + hr * 0.40, head.y() - hr * 0.16), hr * 0.12, hr * 0.14);
    p.setBrush(QColor(255, 140, 150, 150));
    p.drawEllipse(QPointF(head.x() - hr * 0.55, head.y() + hr * 0.25), hr * 0.16, hr * 0.10);
    p.drawEllipse(QPointF(head.x() + hr * 0.70, head.y() + hr * 0.25), hr * 0.16, hr * 0.10);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(line, qMax(1.0, size / 45), Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(head.x() - hr * 0.30, head.y() + hr * 0.02, hr * 0.70, hr * 0.50), 200 * 16,
              140 * 16);

    // Shell: a dome with a hexagon pattern.
    QPainterPath dome;
    const QRectF shellRect(c.x() - w * 0.46, c.y() - h * 0.50, w * 0.84, h * 1.0);
    dome.moveTo(shellRect.left(), c.y() + h * 0.28);
    dome.arcTo(shellRect.adjusted(0, 0, 0, h * 0.12), 180, -180);
    dome.lineTo(shellRect.right(), c.y() + h * 0.28);
    dome.closeSubpath();
    QRadialGradient shine(QPointF(c.x() - w * 0.12, c.y() - h * 0.25), w * 0.6);
    shine.setColorAt(0, shell.lighter(135));
    shine.setColorAt(1, shell);
    p.setPen(QPen(line, qMax(1.0, size / 35)));
    p.setBrush(shine);
    p.drawPath(dome);
    p.save();
    p.setClipPath(dome);
    p.setPen(QPen(shell.darker(150), qMax(1.0, size / 50)));
    p.setBrush(shell.lighter(115));
    const qreal r = w * 0.11;
    for (int row = -3; row <= 3; ++row)
        for (int col = -4; col <= 4; ++col) {
            const qreal x = c.x() - w * 0.04 + col * r * 1.75 + ((row & 1) ? r * 0.875 : 0);
            const qreal y = c.y() - h * 0.05 + row * r * 1.52;
            p.drawPath(hexagon(QPointF(x, y), r * 0.78));
        }
    p.restore();
    // Rim of the shell.
    p.setBrush(QColor(0xf2, 0xd2, 0x5c));
    p.drawRoundedRect(QRectF(shellRect.left() - w * 0.02, c.y() + h * 0.24,
                             shellRect.width() + w * 0.04, h * 0.11),
                      h * 0.05, h * 0.05);
    p.restore();
}

void Artist::logo(QPointF centre, qreal radius)
{
    p.save();
    p.setPen(QPen(QColor(0x2c, 0x7c, 0xc9), qMax(1.0, radius / 8)));
    p.setBrush(Qt::white);
    p.drawEllipse(centre, radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3f, 0xa3, 0x4d));
    p.drawPath(hexagon(centre, radius * 0.62));
    p.setBrush(QColor(0x7c, 0xc8, 0x6a));
    p.drawPath(hexagon(centre, radius * 0.30));
    p.restore();
}

void Artist::productTitle(QPointF topLeft, qreal height)
{
    const qreal r = height * 0.5;
    logo(QPointF(topLeft.x() + r, topLeft.y() + r), r);
    const QRectF rect(topLeft.x() + height * 1.2, topLeft.y() - height * 0.2, height * 14,
                      height * 1.4);
    p.save();
    QFont font = boldFont(height * 0.72);
    QPainterPath path;
    const QFontMetricsF metrics(font);
    qreal x = rect.left();
    const qreal baseline = rect.center().y() + metrics.ascent() * 0.36;
    path.addText(QPointF(x, baseline), font, QStringLiteral("Zelvane "));
    x += metrics.horizontalAdvance(QStringLiteral("Zelvane "));
    QFont han = font;
    han.setPixelSize(qRound(height * 0.62));
    path.addText(QPointF(x, baseline), han, QStringLiteral("儿童电脑操作系统 "));
    x += QFontMetricsF(han).horizontalAdvance(QStringLiteral("儿童电脑操作系统 "));
    path.addText(QPointF(x, baseline), font, QStringLiteral("2.0"));
    p.setPen(QPen(Qt::white, height * 0.16, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x17, 0x5f, 0xa8));
    p.drawPath(path);
    p.restore();
}

void Artist::pill(const QRectF &rect, const QString &caption, int shade)
{
    const QColor base = shade == 0   ? QColor(0xff, 0xc9, 0x2e)
                        : shade == 1 ? QColor(0xff, 0xdf, 0x70)
                                     : QColor(0xf0, 0xae, 0x10);
    p.save();
    const QRectF body = rect.adjusted(1, 1, -1, -3);
    const qreal radius = body.height() / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xb8, 0x7a, 0x00, 200));
    p.drawRoundedRect(body.translated(0, 2), radius, radius);
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, base.lighter(118));
    fill.setColorAt(1, base);
    p.setBrush(fill);
    p.setPen(QPen(QColor(0xc9, 0x8a, 0x00), 1));
    p.drawRoundedRect(body, radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawRoundedRect(QRectF(body.left() + radius * 0.6, body.top() + 2,
                             body.width() - radius * 1.2, body.height() * 0.38),
                      radius * 0.4, radius * 0.4);
    p.restore();
    text(body, caption, body.height() * 0.44, QColor(0x5a, 0x33, 0x00));
}

void Artist::closeTab(const QRectF &rect, int shade)
{
    const QColor base = shade == 0   ? QColor(0xff, 0xc9, 0x2e)
                        : shade == 1 ? QColor(0xff, 0xdf, 0x70)
                                     : QColor(0xf0, 0xae, 0x10);
    p.save();
    const QRectF body = rect.adjusted(1.5, 1.5, -2.5, -3.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xb8, 0x7a, 0x00, 200));
    p.drawRoundedRect(body.translated(0, 2), 11, 11);
    p.setBrush(base);
    p.setPen(QPen(QColor(0xc9, 0x8a, 0x00), 1));
    p.drawRoundedRect(body, 11, 11);
    const QPointF c = body.center();
    const qreal arm = body.height() * 0.24;
    p.setPen(QPen(QColor(0xe5, 0x2b, 0x2b), body.height() * 0.16, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() - arm, c.y() - arm), QPointF(c.x() + arm, c.y() + arm));
    p.drawLine(QPointF(c.x() - arm, c.y() + arm), QPointF(c.x() + arm, c.y() - arm));
    p.restore();
}

void Artist::text(const QRectF &rect, const QString &text, qreal pixelSize, const QColor &colour,
                  Qt::Alignment alignment, bool outlined)
{
    p.save();
    const QFont font = boldFont(pixelSize);
    if (outlined) {
        const QFontMetricsF metrics(font);
        const qreal width = metrics.horizontalAdvance(text);
        qreal x = rect.left();
        if (alignment & Qt::AlignHCenter)
            x = rect.center().x() - width / 2;
        else if (alignment & Qt::AlignRight)
            x = rect.right() - width;
        const qreal y = rect.center().y() + (metrics.ascent() - metrics.descent()) / 2;
        QPainterPath path;
        path.addText(QPointF(x, y), font, text);
        p.setPen(QPen(Qt::white, pixelSize * 0.18, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
        p.fillPath(path, colour);
    } else {
        p.setFont(font);
        p.setPen(colour);
        p.drawText(rect, static_cast<int>(alignment), text);
    }
    p.restore();
}

void Artist::star(QPointF c, qreal r, const QColor &colour)
{
    QPolygonF points; // outer and inner corners in turn
    for (int i = 0; i < 10; ++i) {
        const qreal a = qDegreesToRadians(-90.0 + 36.0 * i);
        const qreal rr = (i % 2 == 0) ? r : r * 0.45;
        points << QPointF(c.x() + rr * qCos(a), c.y() + rr * qSin(a));
    }
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    p.save();
    p.setPen(
        QPen(colour.darker(130), qMax(0.8, r / 8), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(colour);
    p.drawPath(path);
    p.restore();
}

void Artist::cloud(QPointF c, qreal w)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 215));
    p.drawEllipse(QPointF(c.x() - w * 0.25, c.y()), w * 0.25, w * 0.16);
    p.drawEllipse(QPointF(c.x() + w * 0.05, c.y() - w * 0.08), w * 0.26, w * 0.22);
    p.drawEllipse(QPointF(c.x() + w * 0.30, c.y() + w * 0.01), w * 0.20, w * 0.14);
    p.drawRoundedRect(QRectF(c.x() - w * 0.45, c.y(), w * 0.9, w * 0.15), w * 0.07, w * 0.07);
    p.restore();
}

void Artist::warningTriangle(QPointF c, qreal size)
{
    QPainterPath path;
    path.moveTo(c.x(), c.y() - size * 0.5);
    path.lineTo(c.x() + size * 0.55, c.y() + size * 0.45);
    path.lineTo(c.x() - size * 0.55, c.y() + size * 0.45);
    path.closeSubpath();
    p.save();
    p.setPen(
        QPen(QColor(0xd8, 0x8a, 0x00), size * 0.08, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xff, 0xd0, 0x2e));
    p.drawPath(path);
    p.setPen(QPen(QColor(0x40, 0x30, 0x10), size * 0.1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x(), c.y() - size * 0.18), QPointF(c.x(), c.y() + size * 0.13));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x40, 0x30, 0x10));
    p.drawEllipse(QPointF(c.x(), c.y() + size * 0.29), size * 0.06, size * 0.06);
    p.restore();
}
