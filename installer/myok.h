// MyOK: the installer's finish page.
#pragma once

#include "skinnedwindow.h"

namespace Ui {
class MyOK;
}

// The finish page: start the product now, and keep or remove its start at log-on.
class MyOK final : public SkinnedWindow
{
    Q_OBJECT

public:
    explicit MyOK(QWidget *parent = nullptr);
    ~MyOK() override;

protected:
    void retranslate() override;

private slots:
    void on_btnOK_clicked();
    void on_btnClose_clicked();

private:
    Ui::MyOK *ui;
    const QString lnkName;
};
