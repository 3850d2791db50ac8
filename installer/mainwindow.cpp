#include "mainwindow.h"

#include "commands.h"
#include "exitquestion.h"
#include "myinstall.h"
#include "platform.h"
#include "ui_mainwindow.h"

MainWindow::MainWindow(QWidget *parent) : SkinnedWindow(parent), ui(new Ui::MainWindow)
{
    // The splash is told to end before this window can be shown.
    platform().startHidden(Commands::killSplash());
    ui->setupUi(this);
    applySkin(Qt::FramelessWindowHint);
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::retranslate()
{
    ui->retranslateUi(this);
}

void MainWindow::on_btnClose_clicked()
{
    askToQuit(this);
}

void MainWindow::on_btnNext_clicked()
{
    hide();
    auto *page = new MyInstall; // hidden pages live until the process ends
    page->show();
    // Without TMP there is no setup program to start (not "\setup.exe" on the current drive).
    platform().startHidden(Commands::runSetup(qEnvironmentVariable("TMP")));
}
