// MainWindow: the installer's welcome window.
#pragma once

#include "skinnedwindow.h"

namespace Ui {
class MainWindow;
}

// The welcome window: ends the loading splash, and on Next starts the real setup program and
// opens the progress page; when there is no setup program it may start, it says so and ends.
class MainWindow final : public SkinnedWindow
{
    Q_OBJECT

public:
    static constexpr char setupFailedTitle[] = "安装失败";

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
