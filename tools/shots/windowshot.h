#pragma once

#include <QString>

class QWidget;

// Shows a window off screen, lets it settle, and saves what it draws (with its transparent
// surroundings) as <folder>/<name>.png. False when the picture cannot be written.
bool saveWindowShot(QWidget *window, const QString &folder, const QString &name);
