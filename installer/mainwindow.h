// MainWindow: the installer's welcome window.
#pragma once

#include "skinnedwindow.h"

namespace Ui {
class MainWindow;
}

// The welcome window: ends the loading splash, and on Next opens the progress page and
// starts the real setup program.
class MainWindow final : public SkinnedWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    void retranslate() override;

private slots:
    void on_btnClose_clicked();
    void on_btnNext_clicked();

private:
    Ui::MainWindow *ui;
};
