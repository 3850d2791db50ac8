// The yardstick for the launcher: linked to the same Qt libraries, it only returns.
#include <QApplication>

int main(int, char **)
{
    // Referenced, so the linker keeps the libraries as the launcher has them.
    return QApplication::staticMetaObject.className() ? 0 : 1;
}
