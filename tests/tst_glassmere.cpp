// The main window's shell: the form that the skin and the wiring address by
// name, the installed skin, the mask, and the self-drawn chrome (drag,
// maximise and restore, the title buttons).

#include "glassmere.h"
#include "windowgeometry.h"
#include "widgets/dlgloading.h"

#include <QtTest>

#include <QAction>
#include <QFile>
#include <QImage>
#include <QApplication>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>

#include <memory>

namespace {

int loadingDialogs()
{
    int n = 0;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        n += qobject_cast<DlgLoading *>(w) != nullptr;
    return n;
}

// What the system delivers for a double click: press, release, double
// click, release. QTest::mouseDClick alone sends only the third.
void doubleClick(QWidget *widget, const QPoint &at)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

} // namespace

class tst_Glassmere : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void formNames_data();
    void formNames();
    void clickableFieldsReadOnly();
    void validatorRanges_data();
    void validatorRanges();
    void installedSkin();
    void holdsOneHiddenLoadingDialog();
    void maskFollowsSize();
    void maximiseThenRestore();
    void titleDoubleClick_data();
    void titleDoubleClick();
    void dragFollowsLastLeftPress_data();
    void dragFollowsLastLeftPress();
    void noDragWhileMaximised();
    void minimiseAndClose();

private:
    template <typename T = QWidget>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QRect maximised() const { return maximisedGeometry(window->screen()->availableGeometry()); }
    bool showAt(const QPoint &topLeft);

    QTemporaryDir appDir{QDir::tempPath() + QStringLiteral("/glassmere app (test)-XXXXXX")};
    std::unique_ptr<Glassmere> window;
};

// The application directory as installed: every image the skin names from
// the style folder is there (a 1 x 1 stand-in).
void tst_Glassmere::initTestCase()
{
    QVERIFY(appDir.isValid());
    currentPath = appDir.path();

    QFile skin(QStringLiteral(":/Glassmere/Resources/skin.txt"));
    QVERIFY(skin.open(QIODevice::ReadOnly));
    QVERIFY(QDir(currentPath).mkpath(QStringLiteral("style")));
    QImage stand_in(1, 1, QImage::Format_ARGB32);
    stand_in.fill(Qt::gray);
    const QRegularExpression image(QStringLiteral("%currentPath%/style/([^)\\s\"']+)"));
    for (auto it = image.globalMatch(QString::fromLatin1(skin.readAll())); it.hasNext();) {
        const QString file = currentPath + QStringLiteral("/style/") + it.next().captured(1);
        QVERIFY2(stand_in.save(file, "PNG"), qPrintable(file));
    }
}

void tst_Glassmere::init()
{
    window = std::make_unique<Glassmere>();
}

void tst_Glassmere::cleanup()
{
    window.reset();
    // Nothing of the window may outlive it, the parentless dialog included.
    QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
}

bool tst_Glassmere::showAt(const QPoint &topLeft)
{
    window->move(topLeft);
    window->show();
    return QTest::qWaitForWindowExposed(window.get());
}

void tst_Glassmere::formNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");

    const char *const rows[][2] = {
        // Chrome: skinned by name, or wired to the maximise toggle.
        {"frame_Top", "QFrame"},
        {"frame_leftTop", "QFrameEx"},
        {"frame_Title", "QFrameEx"},
        {"label_Top", "QLabelEx"},
        {"frame_TopButton", "QFrameEx"},
        {"frame_rightTop", "QFrameEx"},
        {"btReflection", "QPushButton"},
        {"btnHelp", "QPushButton"},
        {"btnMinimize", "QPushButton"},
        {"btnMax", "QPushButton"},
        {"btnClose", "QPushButton"},
        {"label_TL", "QLabel"},
        {"label_TR", "QLabel"},
        {"label_Left", "QLabel"},
        {"label_Right", "QLabel"},
        {"label_BLeft", "QLabel"},
        {"label_Bottom", "QLabel"},
        {"label_BRight", "QLabel"},
        // Preview and zoom sprites.
        {"widget", "QWidget"},
        {"graphicsView", "QGraphicsView"},
        {"pbFit", "QPushButton"},
        {"pbRawSize", "QPushButton"},
        {"pbZoomIn", "QPushButton"},
        {"pbZoomOut", "QPushButton"},
        // Panel and tabs: slots are wired to these names.
        {"tabWidget", "QTabWidget"},
        {"tab_5", "QWidget"},
        {"tab_6", "QWidget"},
        {"groupBox_5", "QGroupBox"},
        {"checkBoxTop", "QCheckBox"},
        {"checkBoxLeft", "QCheckBox"},
        {"checkBoxRight", "QCheckBox"},
        {"checkBoxBottom", "QCheckBox"},
        {"refSize", "QSlider"},
        {"refDepth", "QSlider"},
        {"refInterval", "QSlider"},
        {"txtSize", "QLineEdit"},
        {"txtDepth", "QLineEdit"},
        {"txtInterval", "QLineEdit"},
        {"cbTransparent", "QCheckBox"},
        {"frameColor", "QFrame"},
        {"txtColor", "QLineEditEx"},
        {"btColorPicker", "QPushButton"},
        {"txtPicSelect", "QLineEditEx"},
        {"btSavePic", "QCommandLinkButton"},
        {"txtPicDir", "QLineEditEx"},
        {"txtResultDir", "QLineEditEx"},
        {"btCovPics", "QCommandLinkButton"},
        {"progressBar", "QProgressBar"},
        // Context menu entries, wired by name.
        {"actionMenuHelper", "QAction"},
        {"actionCheck_for_New_Version", "QAction"},
        {"actionVisit_Our_Web_Site", "QAction"},
        {"actionAbout_Us", "QAction"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
}

void tst_Glassmere::formNames()
{
    QFETCH(QString, name);
    QFETCH(QString, className);

    // The skin's "#GlassmereClass QLineEdit" rules hang on this name.
    QCOMPARE(window->objectName(), QStringLiteral("GlassmereClass"));

    const QList<QObject *> found = window->findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
}

void tst_Glassmere::clickableFieldsReadOnly()
{
    for (const char *name : {"txtColor", "txtPicSelect", "txtPicDir", "txtResultDir"})
        QVERIFY2(child<QLineEdit>(name)->isReadOnly(), name);
}

void tst_Glassmere::validatorRanges_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<int>("top");

    QTest::newRow("size") << QStringLiteral("txtSize") << 0 << 100;
    QTest::newRow("depth") << QStringLiteral("txtDepth") << 0 << 100;
    QTest::newRow("interval") << QStringLiteral("txtInterval") << -80 << 100;
}

void tst_Glassmere::validatorRanges()
{
    QFETCH(QString, name);
    QFETCH(int, bottom);
    QFETCH(int, top);

    auto *edit = window->findChild<QLineEdit *>(name);
    QVERIFY(edit);
    auto *validator = qobject_cast<const QIntValidator *>(edit->validator());
    QVERIFY(validator);
    QCOMPARE(validator->bottom(), bottom);
    QCOMPARE(validator->top(), top);
    QCOMPARE(validator->parent(), window.get());
}

void tst_Glassmere::installedSkin()
{
    QString sheet = qApp->styleSheet();
    QVERIFY(!sheet.isEmpty());
    QVERIFY(!sheet.contains(QLatin1String("%currentPath%")));
    // Comments may name the directory freely.
    sheet.remove(
        QRegularExpression(QStringLiteral("/\\*.*?\\*/"), QRegularExpression::DotMatchesEverythingOption));

    // Every url into the application directory is quoted whole; the
    // directory of this test holds blanks and parentheses.
    const QRegularExpression url(QStringLiteral("url\\(([^\"')][^)]*|\"[^\"]*\"|'[^']*')\\)"));
    int intoAppDir = 0;
    for (auto it = url.globalMatch(sheet); it.hasNext();) {
        const QString argument = it.next().captured(1);
        if (!argument.contains(currentPath))
            continue;
        ++intoAppDir;
        QVERIFY2(argument.startsWith(QLatin1Char('"') + currentPath + QLatin1String("/style/")),
                 qPrintable(argument));
        QVERIFY2(argument.endsWith(QLatin1Char('"')), qPrintable(argument));
    }
    QVERIFY(intoAppDir > 0);
    QCOMPARE(sheet.count(currentPath), intoAppDir);
}

void tst_Glassmere::holdsOneHiddenLoadingDialog()
{
    QCOMPARE(loadingDialogs(), 1);
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        if (qobject_cast<DlgLoading *>(w))
            QVERIFY(!w->isVisible());
}

void tst_Glassmere::maskFollowsSize()
{
    QVERIFY(showAt(QPoint(20, 20)));
    QCOMPARE(window->size(), QSize(827, 627));
    QCOMPARE(window->mask(), QRegion(11, 11, 805, 605));

    child<QPushButton>("btnMax")->click();
    QTRY_COMPARE(window->geometry(), maximised());
    QCOMPARE(window->mask(), QRegion(maskRect(window->size())));
}

void tst_Glassmere::maximiseThenRestore()
{
    QVERIFY(showAt(QPoint(37, 45)));
    const QRect before = window->geometry();
    auto *btnMax = child<QPushButton>("btnMax");

    btnMax->click();
    QTRY_COMPARE(window->geometry(), maximised());
    QCOMPARE(window->minimumSize(), window->maximumSize());
    // What is seen, the masked part, covers the available area exactly.
    QCOMPARE(maskRect(window->size()).translated(window->pos()), window->screen()->availableGeometry());

    btnMax->click();
    QTRY_COMPARE(window->geometry(), before);
    QCOMPARE(window->minimumSize(), before.size());
    QCOMPARE(window->maximumSize(), before.size());

    // A second round trip: the fixed size of the restore must not clamp
    // the next maximise.
    btnMax->click();
    QTRY_COMPARE(window->geometry(), maximised());
    btnMax->click();
    QTRY_COMPARE(window->geometry(), before);
}

void tst_Glassmere::titleDoubleClick_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("toggles");

    QTest::newRow("frame_Title") << QStringLiteral("frame_Title") << QPoint(300, 80) << true;
    QTest::newRow("label_Top") << QStringLiteral("label_Top") << QPoint(5, 50) << true;
    QTest::newRow("frame_TopButton, empty part")
        << QStringLiteral("frame_TopButton") << QPoint(40, 60) << true;
    QTest::newRow("frame_leftTop") << QStringLiteral("frame_leftTop") << QPoint(1, 50) << false;
    QTest::newRow("frame_rightTop") << QStringLiteral("frame_rightTop") << QPoint(1, 20) << false;
}

void tst_Glassmere::titleDoubleClick()
{
    QFETCH(QString, name);
    QFETCH(QPoint, at);
    QFETCH(bool, toggles);

    QVERIFY(showAt(QPoint(30, 30)));
    const QRect before = window->geometry();
    QWidget *target = window->findChild<QWidget *>(name);
    QVERIFY(target);
    QVERIFY(target->rect().contains(at));
    QCOMPARE(target->childAt(at), nullptr);

    doubleClick(target, at);
    if (!toggles) {
        QTest::qWait(50);
        QCOMPARE(window->geometry(), before);
        return;
    }
    QTRY_COMPARE(window->geometry(), maximised());

    // The same double click restores.
    doubleClick(target, at);
    QTRY_COMPARE(window->geometry(), before);
}

void tst_Glassmere::dragFollowsLastLeftPress_data()
{
    QTest::addColumn<QString>("handle");
    QTest::addColumn<Qt::MouseButton>("otherButton");

    QTest::newRow("title, right press between") << QStringLiteral("frame_Title") << Qt::RightButton;
    QTest::newRow("title, middle press between") << QStringLiteral("frame_Title") << Qt::MiddleButton;
    QTest::newRow("label_Top") << QStringLiteral("label_Top") << Qt::RightButton;
    QTest::newRow("left border") << QStringLiteral("label_Left") << Qt::RightButton;
    QTest::newRow("bottom border") << QStringLiteral("label_Bottom") << Qt::MiddleButton;
}

// The window moves by the pointer's travel since the last left press. A
// press of another button in between must not shift the anchor.
void tst_Glassmere::dragFollowsLastLeftPress()
{
    QFETCH(QString, handle);
    QFETCH(Qt::MouseButton, otherButton);

    QVERIFY(showAt(QPoint(100, 80)));
    QWidget *target = window->findChild<QWidget *>(handle);
    QVERIFY(target);
    const QPoint start = window->pos();
    const QPoint leftAt(2, 2);
    const QPoint otherAt = target->rect().bottomRight() - QPoint(2, 2);
    QCOMPARE(target->childAt(leftAt), nullptr);
    QCOMPARE(target->childAt(otherAt), nullptr);

    QTest::mousePress(target, Qt::LeftButton, {}, leftAt);
    QTest::mousePress(target, otherButton, {}, otherAt);
    QTest::mouseRelease(target, otherButton, {}, otherAt);
    // Still holding the left button: 25 right and 15 down of the left press.
    QTest::mouseMove(target, leftAt + QPoint(25, 15));
    QTRY_COMPARE(window->pos(), start + QPoint(25, 15));
    QTest::mouseRelease(target, Qt::LeftButton, {}, leftAt);
}

void tst_Glassmere::noDragWhileMaximised()
{
    QVERIFY(showAt(QPoint(60, 60)));
    child<QPushButton>("btnMax")->click();
    QTRY_COMPARE(window->geometry(), maximised());

    QWidget *title = child("frame_Title");
    QTest::mousePress(title, Qt::LeftButton, {}, QPoint(300, 80));
    QTest::mouseMove(title, QPoint(340, 95));
    QTest::mouseRelease(title, Qt::LeftButton, {}, QPoint(340, 95));
    QTest::qWait(50);
    QCOMPARE(window->geometry(), maximised());
}

void tst_Glassmere::minimiseAndClose()
{
    QVERIFY(showAt(QPoint(10, 10)));
    child<QPushButton>("btnMinimize")->click();
    QTRY_VERIFY(window->windowState().testFlag(Qt::WindowMinimized));

    window->showNormal();
    child<QPushButton>("btnClose")->click();
    QVERIFY(!window->isVisible());
}

QTEST_MAIN(tst_Glassmere)
#include "tst_glassmere.moc"
