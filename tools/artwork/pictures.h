#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include <functional>

class Artist;

// One picture of an image bundle: where it goes, its size in logical pixels, whether it has
// an alpha channel, and how it is drawn.
struct Picture
{
    QString folder; // installer/sourcess or uninstaller/Images
    QString name;   // file name; .png or .jpg
    QSize size;
    bool alpha;
    std::function<void(Artist &)> draw;
    bool shown = false; // a window shows it; only these get a double-size twin

    // Paints the picture at `scale` times its size.
    QImage render(int scale) const;
};

// Every picture of both bundles, the unused ones included.
QList<Picture> allPictures();

// The programs' icon: the round turtle-shell logo, 48 x 48 with alpha.
QImage programIcon();
