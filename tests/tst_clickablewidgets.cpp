// The clickable widgets of the main form: line edits that act as buttons,
// and title-bar frames and labels that report double clicks while single
// presses still reach the window underneath (it drags on them).

#include "widgets/qframeex.h"
#include "widgets/qlabelex.h"
#include "widgets/qlineeditex.h"

#include "uihelpers.h"

#include <QtTest>

#include <QMouseEvent>
#include <QVBoxLayout>

namespace {

// Stands for the main window: counts the presses its children pass on.
class PressCounter : public QWidget
{
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        ++presses;
        event->accept();
    }
};

} // namespace

class tst_ClickableWidgets : public QObject
{
    Q_OBJECT

private slots:
    void lineEditClickedOncePerPress_data();
    void lineEditClickedOncePerPress();
    void lineEditKeys_data();
    void lineEditKeys();
    void doubleClickReported_data();
    void doubleClickReported();
};

void tst_ClickableWidgets::lineEditClickedOncePerPress_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");

    QTest::newRow("left") << Qt::LeftButton << Qt::KeyboardModifiers();
    QTest::newRow("right") << Qt::RightButton << Qt::KeyboardModifiers();
    QTest::newRow("middle") << Qt::MiddleButton << Qt::KeyboardModifiers();
    // Shift+press would extend a selection in a plain QLineEdit.
    QTest::newRow("shift+left") << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ShiftModifier);
}

void tst_ClickableWidgets::lineEditClickedOncePerPress()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, modifiers);

    QLineEditEx edit(nullptr);
    edit.setReadOnly(true);
    edit.setText(QStringLiteral("/home/someone/photos/holiday.jpg"));
    edit.resize(300, 24);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.setCursorPosition(10);

    QSignalSpy clicked(&edit, &QLineEditEx::clicked);
    QTest::mouseClick(&edit, button, modifiers, QPoint(4, 12));
    QTest::mouseClick(&edit, button, modifiers, QPoint(250, 12));
    QCOMPARE(clicked.count(), 2);

    // The press never reaches QLineEdit: no cursor move, no selection.
    QCOMPARE(edit.cursorPosition(), 10);
    QVERIFY(!edit.hasSelectedText());
}

void tst_ClickableWidgets::lineEditKeys_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<int>("clicks");
    QTest::newRow("Return") << Qt::Key_Return << true << 1;
    QTest::newRow("Space") << Qt::Key_Space << true << 1;
    QTest::newRow("letter") << Qt::Key_A << true << 0;
    QTest::newRow("Return, editable") << Qt::Key_Return << false << 0;
}

// Enter or Space opens the chooser as a click does.
void tst_ClickableWidgets::lineEditKeys()
{
    QFETCH(Qt::Key, key);
    QFETCH(bool, readOnly);
    QLineEditEx edit(nullptr);
    edit.setReadOnly(readOnly);
    QSignalSpy clicked(&edit, &QLineEditEx::clicked);
    QTest::keyClick(&edit, key);
    QTEST(int(clicked.count()), "clicks");
}

void tst_ClickableWidgets::doubleClickReported_data()
{
    QTest::addColumn<bool>("label");
    QTest::addColumn<Qt::MouseButton>("button");

    QTest::newRow("frame, left") << false << Qt::LeftButton;
    QTest::newRow("frame, right") << false << Qt::RightButton;
    QTest::newRow("label, left") << true << Qt::LeftButton;
    QTest::newRow("label, middle") << true << Qt::MiddleButton;
}

void tst_ClickableWidgets::doubleClickReported()
{
    QFETCH(bool, label);
    QFETCH(Qt::MouseButton, button);

    PressCounter window;
    window.resize(200, 100);
    auto *layout = new QVBoxLayout(&window);
    QWidget *child = label ? static_cast<QWidget *>(new QLabelEx(&window)) : new QFrameEx(&window);
    layout->addWidget(child);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QSignalSpy doubleClicked(child, SIGNAL(doubleClicked()));

    // A single press is not consumed: the window gets it.
    QTest::mouseClick(child, button, {}, QPoint(10, 10));
    QCOMPARE(window.presses, 1);
    QCOMPARE(doubleClicked.count(), 0);

    // A double click is reported once; only its first press reaches the
    // window, the double click itself goes no further.
    window.presses = 0;
    doubleClick(child, QPoint(10, 10), button);
    QCOMPARE(doubleClicked.count(), 1);
    QCOMPARE(window.presses, 1);
}

QTEST_MAIN(tst_ClickableWidgets)
#include "tst_clickablewidgets.moc"
