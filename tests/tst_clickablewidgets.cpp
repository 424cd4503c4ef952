// The clickable widgets of the main form: line edits that act as buttons,
// and title-bar frames and labels that report double clicks while single
// presses still reach the window underneath (it drags on them).

#include "widgets/qframeex.h"
#include "widgets/qlabelex.h"
#include "widgets/qlineeditex.h"

#include "uihelpers.h"

#include <QtTest>

#include <QMouseEvent>

// Stands for the main window: counts the presses its children pass on.
struct PressCounter : QWidget
{
    int presses = 0;
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

class tst_ClickableWidgets : public QObject
{
    Q_OBJECT

private slots:
    void lineEditActsAsButton_data()
    {
        QTest::addColumn<QString>("input"); // keys, or "click"
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<int>("clicks");

        // Shift+click would move the cursor and select in a plain QLineEdit.
        QTest::newRow("Shift+click") << "click" << true << 1;
        QTest::newRow("Return") << "Return" << true << 1;
        QTest::newRow("Space") << "Space" << true << 1;
        QTest::newRow("letter") << "A" << true << 0;
        QTest::newRow("Ctrl+Return") << "Ctrl+Return" << true << 0;
        QTest::newRow("Return, editable") << "Return" << false << 0;
    }

    // A press, or Return or Space on a read-only box, opens the chooser once,
    // and none reaches QLineEdit's own handling: the cursor stays put.
    void lineEditActsAsButton()
    {
        QFETCH(QString, input);
        QFETCH(bool, readOnly);

        QLineEditEx edit(nullptr);
        edit.setReadOnly(readOnly);
        edit.setText(QStringLiteral("/home/someone/photos/holiday.jpg"));
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.setCursorPosition(10);

        QSignalSpy clicked(&edit, &QLineEditEx::clicked);
        if (input == QLatin1String("click")) {
            QTest::mouseClick(&edit, Qt::LeftButton, Qt::ShiftModifier,
                              QPoint(edit.width() - 4, edit.height() / 2));
        } else {
            const QKeyCombination key = QKeySequence::fromString(input)[0];
            QTest::keyClick(&edit, key.key(), key.keyboardModifiers());
        }
        QTEST(int(clicked.count()), "clicks");
        QCOMPARE(edit.cursorPosition(), 10);
    }

    void doubleClickReported_data()
    {
        QTest::addColumn<bool>("label"); // or else a frame

        QTest::newRow("frame") << false;
        QTest::newRow("label") << true;
    }

    // A single press is not consumed: the window gets it. A double click is
    // reported once, and only its first press reaches the window.
    void doubleClickReported()
    {
        QFETCH(bool, label);

        PressCounter window;
        QWidget *child = label ? static_cast<QWidget *>(new QLabelEx(&window)) : new QFrameEx(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy doubleClicked(child, SIGNAL(doubleClicked()));

        QTest::mouseClick(child, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(window.presses, 1);

        doubleClick(child, QPoint(10, 10));
        QCOMPARE(doubleClicked.count(), 1);
        QCOMPARE(window.presses, 2);
    }
};

QTEST_MAIN(tst_ClickableWidgets)
#include "tst_clickablewidgets.moc"
