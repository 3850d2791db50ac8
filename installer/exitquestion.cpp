#include "exitquestion.h"

#include "platform.h"

#include <QCoreApplication>
#include <QMessageBox>

void askToQuit(QWidget *window)
{
    const char *context = window->metaObject()->className();
    const QString title = QCoreApplication::translate(context, "安装询问");
    const QString text = QCoreApplication::translate(context, "您确定退出zelvane2.0安装程序吗？");
    const auto answer = QMessageBox::question(window, title, text,
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        platform().exitProcess(0);
}
