#pragma once

#include <QByteArray>
#include <QString>

// The steps of one conversion, as a worker's failure names them; None for
// a failure of the pool's own (a worker that crashed, hung or never started).
enum class WorkerStep
{
    None,
    Read,
    Render,
    Write
};

// One line between the pool and a worker, either way, fields
// percent-encoded:
//   to the worker:   convert INPUT OUTPUT  |  go
//   from the worker: need BYTES  |  ok  |  fail LINE STEP WHY
// LINE is the whole report, STEP "read", "render" or "write", WHY the reason
// alone. A worker ends when its standard input closes.
struct WorkerMessage
{
    enum Kind
    {
        Unknown, // a line that is none of the above; ignored by both sides
        Convert,
        Go,
        Need,
        Ok,
        Fail
    };

    Kind kind = Unknown;
    QString input, output; // Convert
    qint64 bytes = 0;      // Need
    QString line;          // Fail: the whole report
    WorkerStep step = WorkerStep::None;
    QString why; // Fail: the reason alone

    static WorkerMessage convert(const QString &input, const QString &output);
    static WorkerMessage need(qint64 bytes);
    static WorkerMessage fail(const QString &line, WorkerStep step, const QString &why);
    static WorkerMessage plain(Kind kind); // Go or Ok

    // The line without its end; parse() takes it back.
    QByteArray format() const;
    static WorkerMessage parse(const QByteArray &line);
};
