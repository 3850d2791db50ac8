#include "unok.h"

#include "platform.h"
#include "ui_unok.h"

UnOk::UnOk(QWidget *parent) : SkinnedWindow(parent), ui(new Ui::UnOk)
{
    ui->setupUi(this);
    applySkin(Qt::FramelessWindowHint);
}

UnOk::~UnOk()
{
    delete ui;
}

void UnOk::retranslate()
{
    ui->retranslateUi(this);
}

void UnOk::on_btnClose_clicked()
{
    platform().exitProcess(0);
}
