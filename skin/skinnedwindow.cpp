#include "skinnedwindow.h"

#include <QEvent>
#include <QMouseEvent>

SkinnedWindow::SkinnedWindow(QWidget *parent) : QMainWindow(parent) {}

void SkinnedWindow::applySkin(Qt::WindowFlags flags)
{
    setAttribute(Qt::WA_TranslucentBackground, true);
    // Replaces the default flags: no frame, no title bar, no system buttons.
    setWindowFlags(flags);
}

void SkinnedWindow::mousePressEvent(QMouseEvent *event)
{
    // Any button starts a drag; a picture button takes its own left presses first.
    pressGlobalPos = event->globalPosition().toPoint();
    pressWindowPos = pressGlobalPos - event->position().toPoint();
}

void SkinnedWindow::mouseMoveEvent(QMouseEvent *event)
{
    // Mouse tracking is off, so moves arrive only while a button is held.
    move(pressWindowPos + event->globalPosition().toPoint() - pressGlobalPos);
}

void SkinnedWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}
