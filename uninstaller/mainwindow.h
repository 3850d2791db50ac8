// MainWindow: the uninstaller's window (Start, then the progress bar while it removes).
#pragma once

#include "platform.h"
#include "skinnedwindow.h"

class QTimer;

namespace Ui {
class MainWindow;
}

// The uninstaller's window: after Start, a bar runs to its end, and when it stands at
// removalValue the product is removed in one go; then the completion page follows.
class MainWindow final : public SkinnedWindow
{
    Q_OBJECT

public:
    static constexpr int tickMs = 50; // one step of the bar
    static constexpr int lastValue = 100;
    static constexpr int removalValue = 15;
    // The box that tells what the removal left behind.
    static constexpr char incompleteTitle[] = "卸载未完成";

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    void retranslate() override;

private slots:
    void on_btnNext_clicked();
    void on_btnClose_clicked();
    void Mystart();

private:
    void removeProduct(); // everything the product's list names, in its order
    void emptyOwnFolder();
    void removeShortcut(Platform::Folder folder, const QString &name);
    void removeGroup(Platform::Folder folder, const QString &name);
    void tellWhatRemains();

    Ui::MainWindow *ui;
    const QString ownFolderAtStart;  // found when the program starts, not when Start is pressed
    QTimer *progressTimer = nullptr; // made by the first Start click
    int progressCount = 0;           // the next value of the bar
    QStringList remainsIn;           // folders still holding what the removal could not remove
    QStringList keptWhole; // volume roots, links and mounts left alone as not the product's
    bool ownFolderUnproven = false; // the program's own folder could not be told for certain
};
