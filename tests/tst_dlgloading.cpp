// The loading dialog: a frameless, translucent 96 x 32 window whose only
// content is the running busy animation.

#include "widgets/dlgloading.h"

#include <QtTest>

#include <QLabel>
#include <QMovie>

class tst_DlgLoading : public QObject
{
    Q_OBJECT

private slots:
    void frameAndBackground();
    void animationRunsAcrossShowings();
};

void tst_DlgLoading::frameAndBackground()
{
    DlgLoading dialog(nullptr);

    QVERIFY(dialog.isWindow());
    QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowTitleHint));
    QVERIFY(dialog.testAttribute(Qt::WA_TranslucentBackground));

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.size(), QSize(96, 32));
}

void tst_DlgLoading::animationRunsAcrossShowings()
{
    DlgLoading dialog(nullptr);
    auto *label = dialog.findChild<QLabel *>(QStringLiteral("lbMovie"));
    QVERIFY(label);
    QMovie *movie = label->movie();
    QVERIFY(movie);
    QVERIFY2(movie->isValid(), qPrintable(movie->lastErrorString()));
    QCOMPARE(movie->state(), QMovie::Running);
    QCOMPARE(label->text(), QString());

    // It runs while hidden and is not rewound by showing the dialog again.
    dialog.show();
    QTRY_VERIFY(movie->currentFrameNumber() > 2);
    dialog.hide();
    const int reached = movie->currentFrameNumber();
    dialog.show();
    QCOMPARE(movie->currentFrameNumber(), reached);
    QCOMPARE(movie->state(), QMovie::Running);
    QCOMPARE(label->text(), QString());
}

QTEST_MAIN(tst_DlgLoading)
#include "tst_dlgloading.moc"
