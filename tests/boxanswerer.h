#pragma once

#include <QMessageBox>
#include <QObject>
#include <QTimer>

#include <functional>

// Waits for the next message box to come up, remembers what it showed and answers it
// with a button, or dismisses it with Escape when no button is given.
class BoxAnswerer : public QObject
{
    Q_OBJECT

public:
    explicit BoxAnswerer(QMessageBox::StandardButton reply = QMessageBox::NoButton);

    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QWidget *parent = nullptr;
    std::function<void()> whenSeen; // called while the box is up

private:
    void poll();

    QMessageBox::StandardButton answer;
    QTimer timer;
};
