#include "pictures.h"

#include "artist.h"

#include <QLinearGradient>
#include <QPainterPath>

#include <iterator>

QImage Picture::render(int scale) const
{
    QImage image(size * scale, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    image.fill(alpha ? Qt::transparent : Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    Artist artist(painter);
    draw(artist);
    painter.end();
    return alpha ? image.convertToFormat(QImage::Format_ARGB32) : image;
}

namespace {
const QString installer = QStringLiteral("installer/sourcess");
const QString uninstaller = QStringLiteral("uninstaller/Images");
const QColor ink(0x17, 0x5f, 0xa8);
const QColor warm(0xe8, 0x6a, 0x1c);

// A page's headline, and a line of text below it.
void headline(Artist &a, const QRectF &where, const QString &words, int size)
{
    a.text(where, words, size, warm, Qt::AlignLeft | Qt::AlignVCenter, true);
}

void line(Artist &a, const QRectF &where, const QString &words, int size)
{
    a.text(where, words, size, ink, Qt::AlignLeft | Qt::AlignVCenter);
}

// The product pictures that only differ by their caption and the mascots' pose.
void stars(Artist &a, std::initializer_list<QPointF> where, qreal radius)
{
    const QColor colours[] = {QColor(0xff, 0xd0, 0x2e), QColor(0xff, 0x8f, 0xb1),
                              QColor(0x8e, 0xe0, 0x7a), QColor(0xff, 0xff, 0xff)};
    int i = 0;
    for (const QPointF &point : where) {
        a.star(point, radius * (1.0 - 0.15 * (i % 3)), colours[i % 4]);
        ++i;
    }
}

void slideBackground(Artist &a, QPainter &p, const QColor &top, const QColor &bottom)
{
    QLinearGradient sky(0, 0, 0, 205);
    sky.setColorAt(0, top);
    sky.setColorAt(1, bottom);
    p.fillRect(QRectF(0, 0, 343, 205), sky);
    a.cloud(QPointF(60, 34), 70);
    a.cloud(QPointF(270, 26), 56);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x9c, 0xd8, 0x5a));
    QPainterPath hill;
    hill.moveTo(0, 175);
    hill.cubicTo(90, 150, 200, 190, 343, 160);
    hill.lineTo(343, 205);
    hill.lineTo(0, 205);
    hill.closeSubpath();
    p.drawPath(hill);
}

void slideCaption(Artist &a, QPainter &p, const QString &caption)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRoundedRect(QRectF(96, 160, 151, 36), 18, 18);
    a.text(QRectF(96, 160, 151, 36), caption, 21, ink);
}

// Slide 1: learning — letter blocks and an open book.
void slideLearning(Artist &a, QPainter &p)
{
    slideBackground(a, p, QColor(0x9f, 0xdc, 0xff), QColor(0xe8, 0xf7, 0xff));
    const QColor blocks[] = {QColor(0xff, 0x6b, 0x6b), QColor(0xff, 0xc9, 0x2e),
                             QColor(0x4d, 0xa3, 0xff)};
    const QString letters[] = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    for (int i = 0; i < 3; ++i) {
        const QRectF block(178 + i * 50, 100 - (i == 1 ? 22 : 0), 44, 44);
        p.setPen(QPen(blocks[i].darker(140), 2));
        p.setBrush(blocks[i]);
        p.drawRoundedRect(block, 8, 8);
        a.text(block, letters[i], 28, Qt::white);
    }
    p.setPen(QPen(QColor(0x8a, 0x55, 0x20), 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(186, 146, 60, 10), 3, 3);
    p.drawRoundedRect(QRectF(248, 146, 60, 10), 3, 3);
    a.turtle(QPointF(95, 120), 100);
    slideCaption(a, p, QStringLiteral("快乐学习"));
}

// Slide 2: painting — a palette and a brush stroke rainbow.
void slidePainting(Artist &a, QPainter &p)
{
    slideBackground(a, p, QColor(0xff, 0xd9, 0xe8), QColor(0xff, 0xf6, 0xe0));
    const QColor rainbow[] = {QColor(0xff, 0x5e, 0x5e), QColor(0xff, 0xa6, 0x2e),
                              QColor(0xff, 0xe0, 0x3a), QColor(0x6c, 0xd1, 0x5a),
                              QColor(0x4d, 0xa3, 0xff)};
    for (int i = 0; i < 5; ++i) {
        p.setPen(QPen(rainbow[i], 9, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const qreal r = 110 - i * 9;
        p.drawArc(QRectF(250 - r, 150 - r, 2 * r, 2 * r), 15 * 16, 150 * 16);
    }
    QPainterPath palette;
    palette.addEllipse(QRectF(40, 70, 120, 84));
    QPainterPath hole;
    hole.addEllipse(QRectF(118, 118, 20, 16));
    p.setPen(QPen(QColor(0x9a, 0x6a, 0x3a), 2));
    p.setBrush(QColor(0xf3, 0xd9, 0xb0));
    p.drawPath(palette.subtracted(hole));
    for (int i = 0; i < 5; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(rainbow[i]);
        p.drawEllipse(QPointF(62 + (i % 3) * 26, 92 + (i / 3) * 26), 10, 9);
    }
    a.turtle(QPointF(240, 122), 70, true);
    slideCaption(a, p, QStringLiteral("创意绘画"));
}

// Slide 3: games — a game pad and puzzle pieces.
void slideGames(Artist &a, QPainter &p)
{
    slideBackground(a, p, QColor(0xc9, 0xf2, 0xc4), QColor(0xf6, 0xff, 0xe8));
    const QRectF pad(176, 80, 130, 66);
    p.setPen(QPen(QColor(0x3b, 0x3b, 0x7a), 2.5));
    p.setBrush(QColor(0x7c, 0x6c, 0xf0));
    p.drawRoundedRect(pad, 30, 30);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(198, 106, 30, 10), 3, 3);
    p.drawRoundedRect(QRectF(208, 96, 10, 30), 3, 3);
    p.setBrush(QColor(0xff, 0x6b, 0x6b));
    p.drawEllipse(QPointF(268, 104), 8, 8);
    p.setBrush(QColor(0xff, 0xc9, 0x2e));
    p.drawEllipse(QPointF(286, 120), 8, 8);
    stars(a, {QPointF(170, 50), QPointF(320, 60), QPointF(300, 30)}, 10);
    a.turtle(QPointF(90, 122), 96);
    slideCaption(a, p, QStringLiteral("益智游戏"));
}

void welcome(Artist &a, QPainter &)
{
    a.panel(QRectF(12, 38, 533, 372), 36);
    a.cloud(QPointF(300, 86), 90);
    a.cloud(QPointF(470, 120), 60);
    a.turtle(QPointF(96, 64), 100);
    a.productTitle(QPointF(190, 74), 30);
    headline(a, QRectF(60, 140, 440, 60), QStringLiteral("欢迎安装!"), 44);
    line(a, QRectF(62, 200, 440, 30), QStringLiteral("和小乌龟一起快乐学习、绘画、游戏"), 19);
    a.turtle(QPointF(200, 330), 130, true);
    stars(a, {QPointF(70, 280), QPointF(330, 260), QPointF(365, 370), QPointF(50, 375)}, 12);
}

void progress(Artist &a, QPainter &)
{
    a.panel(QRectF(14, 62, 551, 380), 36);
    a.productTitle(QPointF(40, 84), 28);
    a.well(QRectF(180, 152, 355, 217), 14);
    a.cloud(QPointF(90, 175), 70);
    a.turtle(QPointF(98, 300), 120);
    stars(a, {QPointF(40, 230), QPointF(160, 220)}, 9);
    a.well(QRectF(80, 382, 484, 48), 16);
}

void finish(Artist &a, QPainter &)
{
    a.panel(QRectF(10, 36, 519, 390), 36);
    a.productTitle(QPointF(40, 60), 26);
    headline(a, QRectF(36, 112, 460, 60), QStringLiteral("恭喜您安装成功!"), 38);
    a.well(QRectF(30, 208, 210, 68), 14);
    line(a, QRectF(64, 214, 170, 28), QStringLiteral("立即体验"), 17);
    line(a, QRectF(64, 244, 170, 28), QStringLiteral("设置开机启动"), 17);
    a.turtle(QPointF(372, 300), 170, true);
    stars(a,
          {QPointF(290, 200), QPointF(480, 190), QPointF(260, 380), QPointF(500, 380),
           QPointF(450, 90)},
          13);
}

void spare(Artist &a, QPainter &)
{
    a.panel(QRectF(10, 30, 496, 384), 36);
    a.productTitle(QPointF(40, 56), 26);
    headline(a, QRectF(40, 110, 440, 50), QStringLiteral("准备安装"), 36);
    a.turtle(QPointF(250, 290), 170, true);
}

void mascot(Artist &a, QPainter &)
{
    a.panel(QRectF(10, 10, 548, 398), 40, QColor(0x9f, 0xe3, 0x9a), QColor(0xf6, 0xff, 0xee));
    a.cloud(QPointF(120, 70), 110);
    a.cloud(QPointF(430, 60), 90);
    a.turtle(QPointF(270, 230), 260, true);
    stars(a, {QPointF(80, 200), QPointF(480, 210), QPointF(120, 340), QPointF(460, 340)}, 16);
}

void banner(Artist &a, QPainter &p)
{
    QLinearGradient sky(0, 0, 0, 322);
    sky.setColorAt(0, QColor(0x7f, 0xcc, 0xff));
    sky.setColorAt(1, QColor(0xf4, 0xfb, 0xff));
    p.fillRect(QRectF(0, 0, 163, 322), sky);
    a.cloud(QPointF(60, 40), 70);
    a.logo(QPointF(81, 100), 28);
    a.text(QRectF(0, 136, 163, 40), QStringLiteral("Zelvane 2.0"), 22, ink);
    a.text(QRectF(0, 172, 163, 28), QStringLiteral("儿童电脑操作系统"), 15, ink);
    a.turtle(QPointF(72, 262), 100);
}

void uninstallMain(Artist &a, QPainter &)
{
    a.panel(QRectF(12, 64, 546, 388), 36, QColor(0x4f, 0xa6, 0xf0), QColor(0xe4, 0xf3, 0xff));
    a.productTitle(QPointF(40, 90), 28);
    a.cloud(QPointF(470, 150), 70);
    a.turtle(QPointF(120, 236), 150, true);
    a.turtle(QPointF(260, 290), 100, false, QColor(0x2f, 0x8f, 0xc4));
    headline(a, QRectF(320, 190, 230, 40), QStringLiteral("要说再见了吗?"), 24);
    stars(a, {QPointF(330, 150), QPointF(520, 230), QPointF(60, 140)}, 11);
    a.well(QRectF(80, 392, 470, 48), 16);
}

void uninstalled(Artist &a, QPainter &)
{
    a.panel(QRectF(10, 34, 496, 380), 36, QColor(0x4f, 0xa6, 0xf0), QColor(0xe4, 0xf3, 0xff));
    a.productTitle(QPointF(36, 60), 26);
    a.warningTriangle(QPointF(110, 190), 92);
    headline(a, QRectF(170, 160, 320, 60), QStringLiteral("您已成功卸载"), 38);
    line(a, QRectF(172, 218, 320, 30), QStringLiteral("小乌龟期待与你再次相见!"), 18);
    a.turtle(QPointF(300, 330), 130, true);
    stars(a, {QPointF(70, 330), QPointF(460, 300), QPointF(440, 380)}, 11);
}

Picture picture(const QString &folder, const QString &name, int w, int h, bool alpha,
                std::function<void(Artist &, QPainter &)> draw)
{
    return Picture{folder, name, QSize(w, h), alpha, [draw](Artist &a) { draw(a, a.painter()); }};
}

Picture button(const QString &folder, const QString &name, int w, const QString &caption, int shade)
{
    return Picture{folder, name, QSize(w, 41), true,
                   [w, caption, shade](Artist &a) { a.pill(QRectF(0, 0, w, 41), caption, shade); }};
}

Picture closeButton(const QString &folder, const QString &name, int shade)
{
    return Picture{folder, name, QSize(59, 37), true,
                   [shade](Artist &a) { a.closeTab(QRectF(0, 0, 59, 37), shade); }};
}
} // namespace

QList<Picture> allPictures()
{
    QList<Picture> list;
    const QString next = QStringLiteral("下一步");
    const QString done = QStringLiteral("完成");
    const QString remove = QStringLiteral("立即卸载");
    for (int shade = 0; shade < 3; ++shade) {
        const QString number = QString::number(shade + 1);
        list << button(installer, QStringLiteral("b-%1.png").arg(number), 96, next, shade)
             << button(installer, QStringLiteral("w-%1.png").arg(number), 72, done, shade)
             << closeButton(installer, QStringLiteral("close_%1.png").arg(number), shade)
             << button(uninstaller, QStringLiteral("b-%1.png").arg(number), 92, remove, shade)
             << closeButton(uninstaller, QStringLiteral("close_%1.png").arg(number), shade);
    }
    list << picture(installer, QStringLiteral("01.png"), 557, 424, true, welcome)
         << picture(installer, QStringLiteral("02.png"), 579, 454, true, progress)
         << picture(installer, QStringLiteral("03.png"), 516, 424, true, spare)
         << picture(installer, QStringLiteral("04.png"), 539, 437, true, finish)
         << picture(installer, QStringLiteral("ren.png"), 568, 418, true, mascot)
         << picture(installer, QStringLiteral("index.jpg"), 163, 322, false, banner);
    // The progress page's slideshow, b1.png onwards: a slide more is one painter more here.
    const std::function<void(Artist &, QPainter &)> slides[] = {slideLearning, slidePainting,
                                                                slideGames};
    for (int i = 0; i < int(std::size(slides)); ++i) {
        const QString number = QString::number(i + 1);
        list << picture(installer, QStringLiteral("b%1.png").arg(number), 343, 205, false,
                        slides[i]);
        list.last().shown = true;
        // The first three also as JPEG, unused, as the bundle always held them.
        if (i < 3)
            list << picture(installer, QStringLiteral("b%1.jpg").arg(number), 343, 205, false,
                            slides[i]);
    }
    list << picture(uninstaller, QStringLiteral("022.png"), 570, 462, true, uninstallMain)
         << picture(uninstaller, QStringLiteral("tuichu.png"), 516, 424, true, uninstalled);

    const QString shownByInstaller = QStringLiteral("01 02 04 b-1 b-2 close_1 close_2 w-1 w-2");
    const QString shownByUninstaller = QStringLiteral("022 tuichu b-1 b-2 close_1 close_2");
    for (Picture &p : list) {
        const QStringList names =
            (p.folder == installer ? shownByInstaller : shownByUninstaller).split(QLatin1Char(' '));
        p.shown = p.shown || names.contains(p.name.chopped(4));
    }
    return list;
}

QImage programIcon()
{
    QImage icon(48, 48, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    Artist artist(painter);
    artist.logo(QPointF(24, 24), 22);
    painter.end();
    return icon;
}
