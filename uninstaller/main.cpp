#include "mainwindow.h"
#include "programmain.h"

int main(int argc, char *argv[])
{
    return runSkinnedProgram<MainWindow>(argc, argv);
}
