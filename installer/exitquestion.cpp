#include "exitquestion.h"

#include "platform.h"

#include <QCoreApplication>
#include <QMessageBox>

void askToQuit(QWidget *window)
{
    const char *context = window->metaObject()->className();
    const QString title = QCoreApplication::translate(context, exitQuestionTitle);
    const QString text = QCoreApplication::translate(context, exitQuestionText);
    const auto answer = QMessageBox::question(window, title, text,
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        platform().exitProcess(0);
}
