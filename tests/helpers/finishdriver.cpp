// finishdriver RUN RUNALL: shows the installer's finish page with the real platform, sets
// its two check boxes (1 ticked, 0 cleared) and presses its finish button, as a user would.
#include "myok.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QTimer>

#include <cstring>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(sourcess);
    if (argc < 3)
        return 2;
    auto *page = new MyOK;
    page->findChild<QCheckBox *>(QStringLiteral("chRun"))
        ->setChecked(std::strcmp(argv[1], "1") == 0);
    page->findChild<QCheckBox *>(QStringLiteral("chRunAll"))
        ->setChecked(std::strcmp(argv[2], "1") == 0);
    page->show();
    QTimer::singleShot(100, page, [page] {
        page->findChild<QAbstractButton *>(QStringLiteral("btnOK"))->click();
    });
    app.exec();
    return 3; // the finish button ends the process before the event loop can
}
