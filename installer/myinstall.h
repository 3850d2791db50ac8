// MyInstall: the installer's progress page (its ticks: Mystart the bar, Mytimepic the slideshow).
#pragma once

#include "skinnedwindow.h"

class QTimer;

namespace Ui {
class MyInstall;
}

// The progress page: a fixed-time bar of 50 seconds and a slideshow, whatever the setup
// program does; then the finish page.
class MyInstall final : public SkinnedWindow
{
    Q_OBJECT

public:
    explicit MyInstall(QWidget *parent = nullptr);
    ~MyInstall() override;

protected:
    void retranslate() override;

private slots:
    void on_btnClose_clicked();
    void Mystart();
    void Mytimepic();

private:
    Ui::MyInstall *ui;
    // The slide shown (b<picIndex>.png), but 0 while the third shows: the next tick shows b1.
    int picIndex = 1;
    int progressCount = 0; // the next value of the bar
    QTimer *progressTimer;
    QTimer *picTimer;
};
