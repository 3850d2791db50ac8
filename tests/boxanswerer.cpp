#include "boxanswerer.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

BoxAnswerer::BoxAnswerer(QMessageBox::StandardButton reply) : answer(reply)
{
    connect(&timer, &QTimer::timeout, this, &BoxAnswerer::poll);
    timer.start(10);
}

void BoxAnswerer::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || seen)
        return;
    seen = true;
    timer.stop();
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = box->standardButtons();
    defaultButton =
        box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
    parent = box->parentWidget();
    if (whenSeen)
        whenSeen();
    if (answer == QMessageBox::NoButton)
        QTest::keyClick(box, Qt::Key_Escape);
    else
        box->button(answer)->click();
}
