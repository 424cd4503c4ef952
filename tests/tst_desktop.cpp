// What users of desktop photo tools expect of the window: photos and
// folders dropped on it (driven with the events a drop delivers), and the
// settings, folders and position kept between runs.

#include "glassmere.h"
#include "testutils.h"
#include "uihelpers.h"
#include "windowgeometry.h"

#include <QGraphicsPixmapItem>
#include <QMimeData>
#include <QSettings>
#include <QtTest>

class tst_desktop : public QObject
{
    Q_OBJECT

private slots:
    void drops_data()
    {
        QTest::addColumn<QStringList>("names"); // dropped, under the temporary folder
        QTest::addColumn<QString>("message");   // the message box's text, if any
        QTest::addColumn<int>("shownHeight");   // of the preview's picture; 0: none
        QTest::addColumn<QStringList>("converted");
        QTest::newRow("a photo") << QStringList{"in/a.png"} << "" << 40 + 15 << QStringList();
        QTest::newRow("not a photo") << QStringList{"notes.png"} << "Photo loads error." << 0
                                     << QStringList();
        QTest::newRow("a folder") << QStringList{"in"} << "Converted 3 pictures into" << 0
                                  << QStringList{"a.png", "b.png", "c.png"};
        QTest::newRow("two photos") << QStringList{"in/a.png", "in/c.png"} << "Converted 2 pictures into" << 0
                                    << QStringList{"a.png", "c.png"};
        QTest::newRow("a folder and a photo: the photo")
            << QStringList{"in", "in/b.png"} << "" << 40 + 15 << QStringList();
        QTest::newRow("two folders: the first") << QStringList{"in", "out"} << "Converted 3 pictures into"
                                                << 0 << QStringList{"a.png", "b.png", "c.png"};
    }

    void drops()
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
        const FormWidgets ui(&window);
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

    // What is seen of the window's edge where the compositor, not a window
    // mask, decides it: the band around clear, the corners rounded, and the
    // skin whole between them; maximised, square to the screen's edges.
    void edgesSeen_data()
    {
        QTest::addColumn<bool>("maximised");
        QTest::newRow("normal") << false;
        QTest::newRow("maximised") << true;
    }

    void edgesSeen()
    {
        QFETCH(bool, maximised);
        Glassmere window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (!window.testAttribute(Qt::WA_TranslucentBackground))
            QSKIP("a window mask cuts the band here");
        if (maximised) {
            window.showMaximized();
            QTRY_VERIFY(window.windowState() & Qt::WindowMaximized);
        }
        // Square and opaque under every piece of the skin, as its frame
        // images are (they are not installed beside the tests).
        window.centralWidget()->setAttribute(Qt::WA_StyledBackground);
        window.centralWidget()->setStyleSheet(QStringLiteral("background-color: rgb(15, 46, 59);"));
        const QImage seen = window.grab().toImage();
        const QRect visible = maximised ? window.rect() : maskRect(window.size());
        const int cut = maximised ? 255 : 0;
        const auto alpha = [&](const QPoint &p) { return qAlpha(seen.pixel(p)); };
        for (const QPoint &corner :
             {visible.topLeft(), visible.topRight(), visible.bottomLeft(), visible.bottomRight()})
            QCOMPARE(alpha(corner), cut);
        for (const QPoint &edge :
             {QPoint(visible.center().x(), visible.top()), QPoint(visible.left(), visible.center().y()),
              visible.topLeft() + QPoint(cornerRadius, cornerRadius)})
            QCOMPARE(alpha(edge), 255);
        if (!maximised)
            QCOMPARE(alpha(QPoint(0, 0)), 0); // the band
    }

    void keptBetweenRuns()
    {
        QSettings store(dir.filePath(QStringLiteral("kept.conf")), QSettings::IniFormat);
        {
            Glassmere first;
            const FormWidgets ui(&first);
            ui.checkBoxLeft->setChecked(true);
            ui.refSize->setValue(61);
            first.findChild<QSlider *>(QStringLiteral("refBlur"))->setValue(12);
            ui.cbTransparent->setChecked(true);
            ui.find<QCheckBox>("cbSubfolders")->setChecked(true);
            ui.txtResultDir->setText(dir.path());
            first.findChild<QSpinBox *>(QStringLiteral("spinBatchQuality"))->setValue(40);
            first.move(33, 44);
            first.remember(store);
        }
        Glassmere second;
        second.restoreRemembered(store);
        const FormWidgets ui(&second);
        QVERIFY(ui.checkBoxLeft->isChecked());
        QVERIFY(!ui.checkBoxBottom->isChecked());
        QCOMPARE(ui.txtSize->text(), QStringLiteral("61"));
        QCOMPARE(second.findChild<QSlider *>(QStringLiteral("refBlur"))->value(), 12);
        QVERIFY(ui.cbTransparent->isChecked() && ui.find<QCheckBox>("cbSubfolders")->isChecked());
        QCOMPARE(ui.txtResultDir->text(), dir.path());
        QCOMPARE(second.findChild<QSpinBox *>(QStringLiteral("spinBatchQuality"))->value(), 40);
        QCOMPARE(second.pos(), QPoint(33, 44));
    }

    void oddValuesAreClamped()
    {
        const QString path = dir.filePath(QStringLiteral("odd.conf"));
        QVERIFY(TestUtils::writeFile(
            path,
            "[reflection]\ndirection=9\nsize=400\ncolour=#zzzzzz\n[folders]\nbatchTarget=/no/such/folder\n"));
        QSettings store(path, QSettings::IniFormat);
        Glassmere window;
        window.restoreRemembered(store);
        const FormWidgets ui(&window);
        QVERIFY(ui.checkBoxBottom->isChecked());
        QCOMPARE(ui.refSize->value(), 100);
        QCOMPARE(ui.txtColor->text(), QStringLiteral("#ffffff"));
        QCOMPARE(ui.txtResultDir->text(), QString());
    }

private:
    QTemporaryDir dir;
};

QTEST_MAIN(tst_desktop)
#include "tst_desktop.moc"
#include "moc_uihelpers.cpp" // UrlCatcher
