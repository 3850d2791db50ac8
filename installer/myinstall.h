// MyInstall: the installer's progress page (its ticks: Mystart the bar, Mytimepic the slideshow).
#pragma once

#include "skinnedwindow.h"

class QTimer;

namespace Ui {
class MyInstall;
}

// The progress page: a fixed-time bar and a slideshow, whatever the setup program does; then,
// after a pause with the full bar, the finish page, unless the setup program has ended with a
// failure by then: that is told, and the installer ends.
class MyInstall final : public SkinnedWindow
{
    Q_OBJECT

public:
    // The page's time: ticksToEnd ticks of tickMs (the bar's last value at the last tick), then
    // handOverPauseMs. scripts/page-seconds.sh reads these three.
    static constexpr int tickMs = 500;
    static constexpr int ticksToEnd = 100;
    static constexpr int handOverPauseMs = 2000;
    // Slides b1.png to b<slideCount>.png, one after the other, round and round.
    static constexpr int slideIntervalMs = 2000;
    static constexpr int slideCount = 3;

    static constexpr char setupIncompleteTitle[] = "安装未完成";
    // What Windows' installers end with when they succeeded: 0, or a restart needed.
    static constexpr int restartNeeded[] = {3010, 1641};

    explicit MyInstall(QWidget *parent = nullptr);
    ~MyInstall() override;

    // The setup program started for this page, asked at the hand-over how it went.
    void watchSetup(qint64 process);

protected:
    void retranslate() override;

private slots:
    void on_btnClose_clicked();
    void Mystart();
    void Mytimepic();

private:
    Ui::MyInstall *ui;
    int picIndex = 1;      // the slide shown, b<picIndex>.png
    int progressCount = 0; // the next value of the bar
    QTimer *progressTimer;
    QTimer *picTimer;
    qint64 setup = 0;
};
