#pragma once

class QImage;
class QString;

// Writes a PNG whose rows are stored unfiltered (filter type 0), 8 bits a channel, RGBA
// where the image has alpha and RGB otherwise. The flat artwork compresses about as well
// either way, but unfiltered rows decode several times faster, and the welcome window's
// picture is decoded on the way to the installer's first frame.
bool writeUnfilteredPng(const QImage &image, const QString &path);
