#include "mainwindow.h"

#include "commands.h"
#include "platform.h"
#include "productfolder.h"
#include "ui_mainwindow.h"
#include "unok.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

MainWindow::MainWindow(QWidget *parent)
    : SkinnedWindow(parent), ui(new Ui::MainWindow), ownFolderAtStart(platform().programFolder())
{
    ui->setupUi(this);
    ui->label->hide();
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

void MainWindow::on_btnNext_clicked()
{
    if (progressTimer)
        return; // one run per start of the program
    ui->label->show();
    QTimer::singleShot(0, this, &MainWindow::Mystart);
    progressTimer = new QTimer(this);
    connect(progressTimer, &QTimer::timeout, this, &MainWindow::Mystart);
    progressTimer->start(tickMs);
}

void MainWindow::on_btnClose_clicked()
{
    platform().exitProcess(0);
}

void MainWindow::Mystart()
{
    // Every tick sets a new value, so this runs exactly once.
    if (ui->progressBar->value() == removalValue)
        removeProduct();
    ui->progressBar->setValue(progressCount);
    ++progressCount;
    if (progressCount <= lastValue)
        return;
    progressTimer->stop();
    if (!remainsIn.isEmpty() || !keptWhole.isEmpty() || ownFolderUnproven)
        tellWhatRemains();
    hide();
    auto *done = new UnOk; // lives until the process ends
    done->show();
}

void MainWindow::removeProduct()
{
    for (const Product::Removal &item : Product::uninstallerRemovals()) {
        switch (item.kind) {
        case Product::Removal::Kind::OwnFolder:
            emptyOwnFolder();
            break;
        case Product::Removal::Kind::Shortcut:
            removeShortcut(item.folder, item.name);
            break;
        case Product::Removal::Kind::Group:
            removeGroup(item.folder, item.name);
            break;
        }
    }
}

void MainWindow::emptyOwnFolder()
{
    // Only the folder proven to hold this very program, and never one that is not the
    // product's own, such as the home folder.
    const QString productFolder = platform().productFolder();
    if (productFolder.isEmpty() || productFolder != ownFolderAtStart)
        ownFolderUnproven = true;
    else if (platform().isVolumeRoot(productFolder))
        keptWhole << productFolder; // a disk of its own: its files are not the product's
    else if (ProductFolder::mayBeEmptied(productFolder, ProductFolder::wellKnownFolders())
             && !platform().emptyProgramFolder())
        remainsIn << productFolder;
}

void MainWindow::removeGroup(Platform::Folder folder, const QString &name)
{
    // A link, junction or mount in the group's name leads elsewhere: the group stays.
    const QString programs = platform().folderPath(folder);
    const QFileInfo group(QDir(programs).filePath(name));
    if (!programs.isEmpty() && (group.exists() || group.isSymLink())
        && !platform().isPlainFolderIn(programs, name)) {
        keptWhole << group.filePath();
        return;
    }
    const QString command = Commands::removeFolder(programs, name);
    if (command.isEmpty() && group.exists())
        remainsIn << group.filePath(); // no command can name it safely: it stays, and is told
    platform().startHidden(command);
}

void MainWindow::removeShortcut(Platform::Folder folder, const QString &name)
{
    const QString path = platform().folderPath(folder);
    if (path.isEmpty())
        return; // not "/<shortcut>" at the root of the drive
    const QString shortcut = QDir(path).absolutePath() + QLatin1Char('/') + name;
    if (QFile::remove(shortcut))
        return;
    // Still there as an entry of its own? Listed, so that neither a link nor a .lnk is
    // followed (Qt takes a missing .lnk for a link, and an empty one for a broken shortcut).
    const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::System;
    if (QDir(path).entryList(QStringList{name}, all).contains(name))
        remainsIn << path;
}

void MainWindow::tellWhatRemains()
{
    // Access denied or files in use: the user should not take the run for a full removal.
    QStringList folders;
    for (const QString &folder : std::as_const(remainsIn))
        folders << QDir::toNativeSeparators(folder);
    QStringList text;
    for (const QString &folder : std::as_const(keptWhole))
        text
            << tr("%1 是一个磁盘的根目录、链接或挂载点，不属于本产品，因此没有删除其中的任何文件。")
                   .arg(QDir::toNativeSeparators(folder));
    if (ownFolderUnproven)
        text << tr("无法确认卸载程序所在的文件夹，因此没有删除其中的任何文件。");
    if (!folders.isEmpty())
        text << tr("有些文件未能删除，它们仍在：\n\n%1\n\n"
                   "请关闭正在使用这些文件的程序，然后手动删除它们。")
                    .arg(folders.join(QLatin1Char('\n')));
    QMessageBox::warning(this, tr(incompleteTitle), text.join(QStringLiteral("\n\n")),
                         QMessageBox::Ok, QMessageBox::NoButton);
}
