#include "myok.h"

#include "commands.h"
#include "platform.h"
#include "ui_myok.h"

MyOK::MyOK(QWidget *parent)
    : SkinnedWindow(parent), ui(new Ui::MyOK), lnkName(Product::shortcutName())
{
    ui->setupUi(this);
    applySkin(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
}

MyOK::~MyOK()
{
    delete ui;
}

void MyOK::retranslate()
{
    ui->retranslateUi(this);
}

void MyOK::on_btnOK_clicked()
{
    // A folder that cannot be determined gives an empty command, which starts nothing.
    if (ui->chRun->isChecked())
        platform().startHidden(
            Commands::openFile(platform().folderPath(Platform::Folder::Desktop), lnkName));
    if (!ui->chRunAll->isChecked())
        platform().startHidden(
            Commands::deleteFile(platform().folderPath(Platform::Folder::Startup), lnkName));
    platform().exitProcess(0);
}

void MyOK::on_btnClose_clicked()
{
    platform().exitProcess(0);
}
