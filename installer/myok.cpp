#include "myok.h"

#include "commands.h"
#include "platform.h"
#include "ui_myok.h"

#include <QDir>

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
    // A folder that cannot be determined gives an empty command, which starts nothing; a
    // shortcut that is no plain file is not opened (cmd would open what a link leads to, or
    // guess another file for a missing one).
    const QString desktop = platform().folderPath(Platform::Folder::Desktop);
    if (ui->chRun->isChecked() && platform().isPlainFile(QDir(desktop).filePath(lnkName)))
        platform().startHidden(Commands::openFile(desktop, lnkName));
    if (!ui->chRunAll->isChecked())
        platform().startHidden(
            Commands::deleteFile(platform().folderPath(Platform::Folder::Startup), lnkName));
    platform().exitProcess(0);
}

void MyOK::on_btnClose_clicked()
{
    platform().exitProcess(0);
}
