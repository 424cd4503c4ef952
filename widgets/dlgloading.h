#pragma once

#include <QWidget>

QT_BEGIN_NAMESPACE
class QEventLoop;
class QMovie;
namespace Ui {
class DlgLoading;
}
QT_END_NAMESPACE

// The busy indicator shown over the preview while a rendering runs. A child
// of the main window, not a window of its own: a Wayland compositor places
// a second top-level window wherever it likes. While it is shown it holds
// back the window's input, as the modal dialog it replaces did, and exec()
// waits until it is closed.
class DlgLoading : public QWidget
{
    Q_OBJECT

public:
    explicit DlgLoading(QWidget *window);
    ~DlgLoading() override;

    // Shows the animation centred over `over`, named `what` for a screen
    // reader, and returns once close() has hidden it again.
    void exec(QWidget *over, const QString &what);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    Ui::DlgLoading *ui;
    QMovie *movie;
    QEventLoop *loop = nullptr; // exec()'s, while it runs
};
