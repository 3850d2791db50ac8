#include "myinstall.h"

#include "exitquestion.h"
#include "myok.h"
#include "platform.h"
#include "ui_myinstall.h"

#include <QMessageBox>
#include <QPixmap>
#include <QTimer>

namespace {
QPixmap slide(int number)
{
    return QPixmap(QStringLiteral(":/new/prefix1/sourcess/b%1.png").arg(number));
}
} // namespace

MyInstall::MyInstall(QWidget *parent) : SkinnedWindow(parent), ui(new Ui::MyInstall)
{
    ui->setupUi(this);
    ui->label->setScaledContents(true);
    ui->label->setPixmap(slide(picIndex));
    applySkin(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);

    picTimer = new QTimer(this);
    connect(picTimer, &QTimer::timeout, this, &MyInstall::Mytimepic);
    picTimer->start(slideIntervalMs);
    progressTimer = new QTimer(this);
    connect(progressTimer, &QTimer::timeout, this, &MyInstall::Mystart);
    progressTimer->start(tickMs);
}

MyInstall::~MyInstall()
{
    delete ui;
}

void MyInstall::watchSetup(qint64 process)
{
    setup = process;
}

void MyInstall::retranslate()
{
    ui->retranslateUi(this);
}

void MyInstall::on_btnClose_clicked()
{
    askToQuit(this);
}

void MyInstall::Mystart()
{
    ui->MyBar->setValue(progressCount);
    ++progressCount;
    if (progressCount < ticksToEnd)
        return;

    ui->MyBar->setValue(ui->MyBar->maximum());
    // The pause blocks the event loop; paint the full bar first so it shows during it.
    ui->MyBar->repaint();
    platform().sleep(handOverPauseMs);
    progressTimer->stop();
    picTimer->stop();
    // Still running is the document's case; ended well, too. Ended badly: no success page.
    const std::optional<int> status = setup ? platform().exitStatus(setup) : std::nullopt;
    if (status && *status != 0 && *status != restartNeeded[0] && *status != restartNeeded[1]) {
        QMessageBox::critical(this, tr(setupIncompleteTitle),
                              tr("安装程序没有成功完成（代码 %1）。").arg(*status));
        platform().exitProcess(1);
        return;
    }
    setVisible(false);
    auto *finish = new MyOK; // lives until the process ends
    finish->setVisible(true);
}

void MyInstall::Mytimepic()
{
    picIndex = picIndex % slideCount + 1;
    ui->label->setPixmap(slide(picIndex));
}
