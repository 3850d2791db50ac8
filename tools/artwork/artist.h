#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QString>

// Drawing pieces shared by every picture: the sky panel, the turtle mascot, the pill buttons,
// the close tab and the captions. All coordinates are logical pixels; the painter's scale
// makes the same drawing sharp at twice the size.
class Artist
{
public:
    explicit Artist(QPainter &painter);

    // A rounded sky-blue to white panel with a soft shadow below it.
    void panel(const QRectF &rect, qreal radius, const QColor &top = QColor(0x7f, 0xcc, 0xff),
               const QColor &bottom = QColor(0xf4, 0xfb, 0xff));
    // A calm, lighter area inside a panel where widgets sit.
    void well(const QRectF &rect, qreal radius);
    // The green turtle, its shell centred on centre, `size` wide.
    void turtle(QPointF centre, qreal size, bool waving = false,
                const QColor &shell = QColor(0x3f, 0xa3, 0x4d));
    // 'Zelvane 儿童电脑操作系统 2.0' on one line, with its small logo before it.
    void productTitle(QPointF topLeft, qreal height);
    // A round logo: a turtle shell in a white disc.
    void logo(QPointF centre, qreal radius);
    // A sunny pill button with its caption; shade 0 normal, 1 hover, 2 pressed.
    void pill(const QRectF &rect, const QString &caption, int shade);
    // The yellow close tab with a red cross; shade as for pill.
    void closeTab(const QRectF &rect, int shade);
    // Text in the bold face, with an optional white outline for reading on colour.
    void text(const QRectF &rect, const QString &text, qreal pixelSize, const QColor &colour,
              Qt::Alignment alignment = Qt::AlignCenter, bool outlined = false);
    void star(QPointF centre, qreal radius, const QColor &colour);
    void cloud(QPointF centre, qreal width);
    void warningTriangle(QPointF centre, qreal size);

    static QFont boldFont(qreal pixelSize);
    QPainter &painter() { return p; }

private:
    QPainter &p;
};
