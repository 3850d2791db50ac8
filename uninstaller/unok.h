// UnOk: the uninstaller's completion page.
#pragma once

#include "skinnedwindow.h"

namespace Ui {
class UnOk;
}

// The completion page: one picture that says the product is gone, and a close button.
class UnOk final : public SkinnedWindow
{
    Q_OBJECT

public:
    explicit UnOk(QWidget *parent = nullptr);
    ~UnOk() override;

protected:
    void retranslate() override;

private slots:
    void on_btnClose_clicked();

private:
    Ui::UnOk *ui;
};
