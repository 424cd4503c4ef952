// Photos and folders dropped on the window, driven with the events a drop
// delivers: one photo loads, an unreadable one changes nothing, a folder
// becomes the batch's source, several photos a batch of just those.

#include "glassmere.h"
#include "testutils.h"
#include "uihelpers.h"

#include <QGraphicsPixmapItem>
#include <QMimeData>
#include <QtTest>

class tst_dragdrop : public QObject
{
    Q_OBJECT

private slots:
    void drops_data();
    void drops();

private:
    QTemporaryDir dir;
};

void tst_dragdrop::drops_data()
{
    QTest::addColumn<QStringList>("names"); // dropped, under the temporary folder
    QTest::addColumn<QString>("message");   // the message box's text, if any
    QTest::addColumn<int>("shownHeight");   // of the preview's picture; 0: none
    QTest::addColumn<QStringList>("converted");
    QTest::newRow("a photo") << QStringList{"in/a.png"} << "" << 40 + 15 << QStringList();
    QTest::newRow("not a photo") << QStringList{"notes.png"} << "Photo loads error." << 0 << QStringList();
    QTest::newRow("a folder") << QStringList{"in"} << "Converted 3 pictures into" << 0
                              << QStringList{"a.png", "b.png", "c.png"};
    QTest::newRow("two photos") << QStringList{"in/a.png", "in/c.png"} << "Converted 2 pictures into" << 0
                                << QStringList{"a.png", "c.png"};
}

void tst_dragdrop::drops()
{
    QFETCH(QStringList, names);
    QFETCH(QString, message);
    QFETCH(int, shownHeight);
    QFETCH(QStringList, converted);
    QTemporaryDir box;
    QDir(box.path()).mkpath(QStringLiteral("in"));
    QDir(box.path()).mkpath(QStringLiteral("out"));
    for (const char *name : {"a.png", "b.png", "c.png"}) {
        QImage photo(60, 40, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        QVERIFY(photo.save(box.filePath(QStringLiteral("in/") + QLatin1String(name))));
    }
    QVERIFY(TestUtils::writeFile(box.filePath(QStringLiteral("notes.png")), "not pixels"));

    UrlCatcher fileManager;
    Glassmere window;
    window.show();
    const FormParts ui(&window);
    ui.txtResultDir->setText(box.filePath(QStringLiteral("out/")));

    QMimeData data;
    QList<QUrl> urls;
    for (const QString &name : names)
        urls << QUrl::fromLocalFile(box.filePath(name));
    data.setUrls(urls);
    const QPoint at(400, 300);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QVERIFY(enter.isAccepted());
    MessageBoxCloser closer;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    if (!converted.isEmpty())
        ui.btCovPics->click();
    if (!message.isEmpty())
        QTRY_VERIFY(!closer.messages.isEmpty() && closer.messages.last().text.startsWith(message));

    int shown = 0;
    for (QGraphicsItem *item : ui.graphicsView->scene()->items())
        if (auto *pixmap = dynamic_cast<QGraphicsPixmapItem *>(item))
            shown = pixmap->pixmap().height();
    QCOMPARE(shown, shownHeight);
    QCOMPARE(QDir(box.filePath(QStringLiteral("out"))).entryList(QDir::Files), converted);
}

QTEST_MAIN(tst_dragdrop)
#include "tst_dragdrop.moc"
#include "moc_uihelpers.cpp" // UrlCatcher
