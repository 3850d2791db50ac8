#include "mainwindow.h"

#include "commands.h"
#include "exitquestion.h"
#include "myinstall.h"
#include "platform.h"
#include "product.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QMessageBox>

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
    // Without a TMP spelled out in full there is no setup program to start (not
    // "\\setup.exe" on the current drive, nor one under the current folder).
    const QString tmp = qEnvironmentVariable("TMP");
    const QString folder = Platform::isFullPath(tmp) ? tmp : QString();
    const QString setup = folder + QLatin1Char('\\') + Product::setupName();
    QString why;
    const Platform::ProcessId started =
        folder.isEmpty() ? 0 : platform().startChecked(Commands::runSetup(folder), setup, &why);
    if (started != 0) {
        page->watchSetup(started);
        return;
    }
    // Going on would end on a page announcing an installation that never ran: back to this
    // window (the page was never painted), which says so.
    delete page;
    show();
    QString text = tr("找不到安装程序：%1")
                       .arg(folder.isEmpty() ? tr("TMP 未设置") : QDir::toNativeSeparators(setup));
    if (!why.isEmpty())
        text += QStringLiteral("\n\n") + why;
    QMessageBox::critical(this, tr(setupFailedTitle), text);
    platform().exitProcess(1);
}
