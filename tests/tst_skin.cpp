#include "skinnedwindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// A skinned window with a picture button and a translated label, as the real windows have.
class Window final : public SkinnedWindow
{
public:
    QPushButton *button;
    QLabel *label;
    int retranslations = 0;

    Window()
    {
        auto *central = new QWidget(this);
        central->setObjectName("centralwidget");
        button = new QPushButton(central);
        button->setGeometry(300, 20, 58, 37);
        label = new QLabel(central);
        label->setGeometry(20, 300, 100, 20);
        setCentralWidget(central);
        resize(400, 350);
        retranslate();
        applySkin(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    }

protected:
    void retranslate() override
    {
        ++retranslations;
        setWindowTitle(QCoreApplication::translate("Window", "MainWindow"));
        label->setText(QCoreApplication::translate("Window", "正在安装 ..."));
    }
};

// Sends a mouse event to `target` at the global point `global`, letting it travel up to
// the window the way the application delivers it.
void sendMouse(QWidget *target, QEvent::Type type, QPoint global, Qt::MouseButton button,
               Qt::MouseButtons held)
{
    const QPointF local = target->mapFromGlobal(global);
    QMouseEvent event(type, local, local, QPointF(global), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}
} // namespace

class tst_Skin : public QObject
{
    Q_OBJECT

private slots:
    void isFramelessAndTranslucent();
    void dragKeepsPressedPointUnderCursor_data();
    void dragKeepsPressedPointUnderCursor();
    void pressOnPictureButtonDoesNotDrag();
    void secondPressReplacesFirst();
    void languageChangeReappliesTexts();
};

void tst_Skin::isFramelessAndTranslucent()
{
    Window window;
    QCOMPARE(window.windowFlags() & ~Qt::Window,
             Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    QVERIFY(window.testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(!window.hasMouseTracking());
}

void tst_Skin::dragKeepsPressedPointUnderCursor_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left") << Qt::LeftButton;
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void tst_Skin::dragKeepsPressedPointUnderCursor()
{
    QFETCH(Qt::MouseButton, button);
    Window window;
    window.move(200, 150);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint grabbed(120, 90); // a point of the picture, in window coordinates
    QPoint cursor = window.mapToGlobal(grabbed);
    sendMouse(window.centralWidget(), QEvent::MouseButtonPress, cursor, button, button);
    for (const QPoint step : {QPoint(15, 7), QPoint(-40, 33), QPoint(-300, -260)}) {
        cursor += step;
        sendMouse(window.centralWidget(), QEvent::MouseMove, cursor, Qt::NoButton, button);
        QCOMPARE(window.pos(), cursor - grabbed);
        QCOMPARE(window.mapToGlobal(grabbed), cursor);
    }
    // Pressing on a child (the label) drags just the same: the press travels up.
    const QPoint onLabel = window.label->mapToGlobal(QPoint(5, 5));
    sendMouse(window.label, QEvent::MouseButtonPress, onLabel, button, button);
    sendMouse(window.label, QEvent::MouseMove, onLabel + QPoint(10, 10), Qt::NoButton, button);
    QCOMPARE(window.label->mapToGlobal(QPoint(5, 5)), onLabel + QPoint(10, 10));
}

void tst_Skin::pressOnPictureButtonDoesNotDrag()
{
    Window window;
    window.move(100, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // An earlier press elsewhere must not be reused either.
    const QPoint start = window.mapToGlobal(QPoint(50, 50));
    sendMouse(window.centralWidget(), QEvent::MouseButtonPress, start, Qt::LeftButton,
              Qt::LeftButton);
    sendMouse(window.centralWidget(), QEvent::MouseButtonRelease, start, Qt::LeftButton,
              Qt::NoButton);

    const QPoint onButton = window.button->mapToGlobal(QPoint(10, 10));
    sendMouse(window.button, QEvent::MouseButtonPress, onButton, Qt::LeftButton, Qt::LeftButton);
    sendMouse(window.button, QEvent::MouseMove, onButton + QPoint(80, 60), Qt::NoButton,
              Qt::LeftButton);
    QCOMPARE(window.pos(), QPoint(100, 100));
}

void tst_Skin::secondPressReplacesFirst()
{
    Window window;
    window.move(300, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWidget *central = window.centralWidget();
    const QPoint first = window.mapToGlobal(QPoint(10, 10));
    sendMouse(central, QEvent::MouseButtonPress, first, Qt::LeftButton, Qt::LeftButton);
    sendMouse(central, QEvent::MouseMove, first + QPoint(50, 0), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(window.pos(), QPoint(350, 300));
    sendMouse(central, QEvent::MouseButtonRelease, first + QPoint(50, 0), Qt::LeftButton,
              Qt::NoButton);

    const QPoint second = window.mapToGlobal(QPoint(200, 150));
    sendMouse(central, QEvent::MouseButtonPress, second, Qt::RightButton, Qt::RightButton);
    sendMouse(central, QEvent::MouseMove, second + QPoint(0, 20), Qt::NoButton, Qt::RightButton);
    QCOMPARE(window.pos(), QPoint(350, 320)); // no jump back to the first press
}

void tst_Skin::languageChangeReappliesTexts()
{
    Window window;
    QCOMPARE(window.retranslations, 1);
    window.label->setText(u"stale"_s);
    window.setWindowTitle(u"stale"_s);

    QEvent other(QEvent::FontChange);
    QApplication::sendEvent(&window, &other);
    QCOMPARE(window.retranslations, 1);
    QCOMPARE(window.label->text(), u"stale"_s);

    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(&window, &change);
    QCOMPARE(window.retranslations, 2);
    QCOMPARE(window.label->text(), u"正在安装 ..."_s);
    QCOMPARE(window.windowTitle(), u"MainWindow"_s);
}

QTEST_MAIN(tst_Skin)
#include "tst_skin.moc"
