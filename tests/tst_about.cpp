// The About box: what it says, where its links lead, and how it closes.

#include "widgets/about.h"

#include "productinfo.h"
#include "uihelpers.h"

#include <QtTest>

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextDocument>

#include <memory>

namespace {

QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

// Where on the label the pointer is over the link to `href`: found the way a
// user finds it, by moving across the label's middle line.
QPoint linkPosition(QLabel *label, const QString &href)
{
    QSignalSpy hovered(label, &QLabel::linkHovered);
    const int y = label->height() / 2;
    for (int x = 0; x < label->width(); x += 2) {
        QTest::mouseMove(label, QPoint(x, y));
        if (!hovered.isEmpty() && hovered.last().at(0).toString() == href)
            return QPoint(x + 4, y);
    }
    return QPoint(-1, -1);
}

} // namespace

class tst_About : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void linksOpenOnTheDesktop_data();
    void linksOpenOnTheDesktop();
    void closes_data();
    void closes();
};

void tst_About::cleanup()
{
    QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
}

void tst_About::linksOpenOnTheDesktop_data()
{
    QTest::addColumn<QString>("labelName");
    QTest::addColumn<QString>("href");
    QTest::addColumn<QUrl>("expected");

    const QString email = utf8(ProductInfo::supportEmail);
    QTest::newRow("e-mail") << QStringLiteral("lbEmail") << QStringLiteral("mailto:") + email
                            << QUrl(QStringLiteral("mailto:") + email);
    const QString page = utf8(ProductInfo::homePage);
    if (!page.isEmpty())
        QTest::newRow("home page") << QStringLiteral("lbUrl_2") << page << QUrl(page);
}

// A click on a link hands its address to the desktop and leaves the box open.
void tst_About::linksOpenOnTheDesktop()
{
    QFETCH(QString, labelName);
    QFETCH(QString, href);
    QFETCH(QUrl, expected);

    UrlCatcher desktop;
    about dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *label = dialog.findChild<QLabel *>(labelName);
    QVERIFY(label);

    const QPoint at = linkPosition(label, href);
    QVERIFY2(label->rect().contains(at), "no link under the pointer");
    QTest::mouseClick(label, Qt::LeftButton, {}, at);

    QTRY_COMPARE(desktop.urls.size(), 1);
    QCOMPARE(desktop.urls.first(), expected);
    QVERIFY(dialog.isVisible());
    dialog.close();
}

void tst_About::closes_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("OK") << QStringLiteral("ok");
    QTest::newRow("click outside") << QStringLiteral("outside");
    QTest::newRow("Escape") << QStringLiteral("escape");
}

void tst_About::closes()
{
    QFETCH(QString, how);

    auto dialog = std::make_unique<about>();
    WhenShown<about> closer([&](about *shown) {
        if (how == QLatin1String("ok"))
            QTest::mouseClick(shown->findChild<QPushButton *>(QStringLiteral("pushButton")), Qt::LeftButton);
        else if (how == QLatin1String("outside"))
            QTest::mouseClick(shown->windowHandle(), Qt::LeftButton, {}, QPoint(-30, -30));
        else
            QTest::keyClick(shown, Qt::Key_Escape);
    });
    dialog->exec();
    QVERIFY(closer.done());
    QVERIFY(!dialog->isVisible());
}

QTEST_MAIN(tst_About)
#include "tst_about.moc"
