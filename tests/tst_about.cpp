// The About box: where its links lead, and how it closes.

#include "widgets/about.h"

#include "productinfo.h"
#include "uihelpers.h"

#include <QtTest>

#include <QLabel>
#include <QPushButton>

class tst_About : public QObject
{
    Q_OBJECT

private slots:
    void linkThenClose_data()
    {
        QTest::addColumn<bool>("byOk"); // or else by Escape

        QTest::newRow("OK") << true;
        QTest::newRow("Escape") << false;
    }

    // A click on the e-mail link hands its address to the desktop and leaves the
    // box open; OK or Escape then closes it at once. The link is found as a user
    // finds it, by moving the pointer across the label's middle line.
    void linkThenClose()
    {
        QFETCH(bool, byOk);

        UrlCatcher desktop;
        const QString mail = QStringLiteral("mailto:") + QString::fromUtf8(ProductInfo::supportEmail);
        bool closed = false;
        WhenShown<about> user([&](about *box) {
            auto *label = box->findChild<QLabel *>(QStringLiteral("lbEmail"));
            QVERIFY(label);
            QSignalSpy hovered(label, &QLabel::linkHovered);
            const int y = label->height() / 2;
            for (int x = 0; x < label->width() && desktop.urls.isEmpty(); x += 2) {
                QTest::mouseMove(label, QPoint(x, y));
                if (!hovered.isEmpty() && hovered.last().at(0).toString() == mail)
                    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(x + 4, y));
            }
            QCOMPARE(desktop.urls, QList<QUrl>() << QUrl(mail));
            QVERIFY(box->isVisible());

            if (byOk)
                QTest::mouseClick(box->findChild<QPushButton *>(QStringLiteral("pushButton")),
                                  Qt::LeftButton);
            else
                QTest::keyClick(box, Qt::Key_Escape);
            closed = !box->isVisible();
        });
        about dialog;
        dialog.exec();
        QVERIFY(closed);
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
