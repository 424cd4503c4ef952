// The worker pool with a stand-in worker (a shell script speaking the
// protocol): a worker that crashes or hangs costs its picture only, and
// pictures that do not fit the memory budget together are not decoded at
// the same time.

#include "workerpool.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class tst_workerpool : public QObject
{
    Q_OBJECT

private slots:
    void eachTaskEndsOnce_data();
    void eachTaskEndsOnce();
};

// "crash" kills its worker, "hang" never answers, "big" holds 600 of the
// budget for a while and fails if another big one holds it too.
static const char *const worker = R"(
while read command input output; do
    case "$input" in
    *crash*) kill -SEGV $$ ;;
    *hang*) exec sleep 600 ;;
    *big*) echo "need 600"; read go
        if mkdir "$DIR/held"; then sleep 0.3; rmdir "$DIR/held"; echo ok; else echo "fail both%20at%20once"; fi ;;
    *) echo ok ;;
    esac
done
)";

void tst_workerpool::eachTaskEndsOnce_data()
{
    QTest::addColumn<int>("slotCount");
    QTest::addColumn<QStringList>("inputs");   // one chain each
    QTest::addColumn<QStringList>("outcomes"); // "ok", or a part of the reason
    QTest::newRow("crash and hang among good ones")
        << 1 << QStringList{"a", "crash", "b", "hang", "c"}
        << QStringList{"ok", "crashed", "ok", "longer than 1 s", "ok"};
    QTest::newRow("two slots, memory for one big picture at a time")
        << 2 << QStringList{"big1", "big2", "big3"} << QStringList{"ok", "ok", "ok"};
    QTest::newRow("nothing to do") << 2 << QStringList() << QStringList();
}

void tst_workerpool::eachTaskEndsOnce()
{
    QFETCH(int, slotCount);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, outcomes);
    QTemporaryDir dir;
    qputenv("DIR", QFile::encodeName(dir.path()));
    WorkerPool pool(QStringLiteral("sh"), {QStringLiteral("-c"), QLatin1String(worker)}, slotCount, 1, 1000);
    QMap<QString, QString> ended;
    connect(&pool, &WorkerPool::taskFinished, this, [&](const WorkerTask &task, bool ok, const QString &why) {
        QVERIFY2(!ended.contains(task.input), qPrintable(task.input));
        ended.insert(task.input, ok ? QStringLiteral("ok") : why);
    });
    QSignalSpy finished(&pool, &WorkerPool::finished);
    QList<QList<WorkerTask>> chains;
    for (const QString &input : inputs)
        chains.append({{input, input + QStringLiteral(".out")}});
    pool.start(chains);
    QVERIFY(finished.wait(20000));
    QCOMPARE(ended.size(), inputs.size());
    for (int i = 0; i < inputs.size(); ++i)
        QVERIFY2(ended.value(inputs[i]).contains(outcomes[i]),
                 qPrintable(inputs[i] + ": " + ended[inputs[i]]));
}

QTEST_GUILESS_MAIN(tst_workerpool)
#include "tst_workerpool.moc"
