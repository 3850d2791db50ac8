// SkinnedWindow: the frame every window of the installer and uninstaller is built on.
#pragma once

#include <QMainWindow>
#include <QPoint>

// A frameless, translucent top-level window whose picture gives it its look and outline.
// The user drags it by any point of the picture, with any mouse button; a language change
// re-applies its texts.
class SkinnedWindow : public QMainWindow
{
    Q_OBJECT

protected:
    explicit SkinnedWindow(QWidget *parent = nullptr);

    // The last steps of every skinned window's construction, after its form exists.
    void applySkin(Qt::WindowFlags flags);

    // Re-applies the form's texts; called on every language change.
    virtual void retranslate() = 0;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QPoint pressGlobalPos;
    QPoint pressWindowPos;
};
