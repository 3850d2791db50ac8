#pragma once

#include <QApplication>
#include <QImage>
#include <QLayout>
#include <QMainWindow>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QWidget>

// What the window suites check on a program's windows.

// The program's open top-level windows of one class.
template<typename W>
QList<W *> openWindows()
{
    QList<W *> found;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *w = qobject_cast<W *>(widget))
            found << w;
    return found;
}

// One widget of a form: object name, class and geometry.
struct FormWidget
{
    const char *name;
    const char *className;
    QRect geometry;
};

// A skinned window as its form makes it: name, size, frame, see-through corners, title; its
// central widget by name, and the widgets on that, listed in the order the form makes them.
inline void checkForm(QMainWindow *window, const char *objectName, QSize size,
                      Qt::WindowFlags flags, const char *centralName,
                      std::initializer_list<FormWidget> widgets)
{
    QCOMPARE(window->objectName(), QString::fromLatin1(objectName));
    QCOMPARE(window->size(), size);
    QCOMPARE(window->windowFlags() & ~Qt::Window, flags);
    QVERIFY(window->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(window->windowTitle(), QStringLiteral("MainWindow"));
    QWidget *central = window->centralWidget();
    QCOMPARE(central->objectName(), QString::fromLatin1(centralName));
    qsizetype previous = -1;
    for (const FormWidget &expected : widgets) {
        auto *widget = window->findChild<QWidget *>(QString::fromLatin1(expected.name));
        QVERIFY2(widget, expected.name);
        QCOMPARE(widget->metaObject()->className(), expected.className);
        QCOMPARE(widget->parentWidget(), central);
        QCOMPARE(widget->geometry(), expected.geometry);
        const qsizetype made = central->children().indexOf(widget);
        QVERIFY2(made > previous, expected.name);
        previous = made;
    }
}

// What the user sees of a window: every picture its style sheets name is there and dresses a
// widget of its size (to the few pixels the artwork leaves), and the window, rendered, shows
// pictures rather than an empty or one-coloured frame.
inline void checkLooks(QWidget *window)
{
    static const QRegularExpression rule(QStringLiteral(R"(#(\w+)[^{]*\{([^}]*)\})"));
    static const QRegularExpression url(QStringLiteral(R"(url\(([^)]*)\))"));
    if (window->layout())
        window->layout()->activate(); // the central widget takes the window's size
    int pictures = 0;
    QList<QWidget *> dressed = window->findChildren<QWidget *>();
    dressed.prepend(window);
    for (QWidget *holder : dressed) {
        for (const auto &match : rule.globalMatch(holder->styleSheet())) {
            const QString name = match.captured(1);
            QWidget *widget =
                window->objectName() == name ? window : window->findChild<QWidget *>(name);
            QVERIFY2(widget, qPrintable(name));
            for (const auto &picture : url.globalMatch(match.captured(2))) {
                const QString path = picture.captured(1).trimmed();
                if (path.isEmpty())
                    continue; // url() takes a picture away
                const QImage image(path);
                QVERIFY2(!image.isNull(), qPrintable(path));
                const QSize slack = image.size() - widget->size();
                QVERIFY2(qAbs(slack.width()) <= 3 && qAbs(slack.height()) <= 3,
                         qPrintable(path + QStringLiteral(" on #") + name));
                ++pictures;
            }
        }
    }
    QVERIFY2(pictures > 0, "no picture in the style sheets");

    const QImage shown = window->grab().toImage();
    QSet<QRgb> colours;
    int opaque = 0;
    for (int y = 0; y < shown.height(); y += 4) {
        for (int x = 0; x < shown.width(); x += 4) {
            const QRgb pixel = shown.pixel(x, y);
            opaque += qAlpha(pixel) == 255;
            colours.insert(pixel);
        }
    }
    const int samples = ((shown.width() + 3) / 4) * ((shown.height() + 3) / 4);
    QVERIFY2(opaque > samples / 2, "the window is mostly see-through");
    QVERIFY2(colours.size() > 32, "the window is nearly one colour");
}
