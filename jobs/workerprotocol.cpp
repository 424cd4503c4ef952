#include "workerprotocol.h"

#include <QList>

namespace {

QByteArray encode(const QString &field)
{
    return field.toUtf8().toPercentEncoding();
}

QString decode(const QByteArray &field)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(field));
}

// The words of the steps, by WorkerStep; None has none.
const char *const stepWords[] = {"", "read", "render", "write"};

WorkerStep stepOf(const QByteArray &word)
{
    for (int s = 1; s < 4; ++s)
        if (word == stepWords[s])
            return WorkerStep(s);
    return WorkerStep::None;
}

} // namespace

WorkerMessage WorkerMessage::convert(const QString &input, const QString &output)
{
    WorkerMessage m;
    m.kind = Convert;
    m.input = input;
    m.output = output;
    return m;
}

WorkerMessage WorkerMessage::need(qint64 bytes)
{
    WorkerMessage m;
    m.kind = Need;
    m.bytes = bytes;
    return m;
}

WorkerMessage WorkerMessage::fail(const QString &line, WorkerStep step, const QString &why)
{
    WorkerMessage m;
    m.kind = Fail;
    m.line = line;
    m.step = step;
    m.why = why;
    return m;
}

WorkerMessage WorkerMessage::plain(Kind kind)
{
    WorkerMessage m;
    m.kind = kind;
    return m;
}

QByteArray WorkerMessage::format() const
{
    switch (kind) {
    case Convert:
        return "convert " + encode(input) + ' ' + encode(output);
    case Go:
        return "go";
    case Need:
        return "need " + QByteArray::number(bytes);
    case Ok:
        return "ok";
    case Fail:
        return "fail " + encode(line) + ' ' + stepWords[int(step)] + ' ' + encode(why);
    case Unknown:
        break;
    }
    return QByteArray();
}

WorkerMessage WorkerMessage::parse(const QByteArray &text)
{
    const QList<QByteArray> fields = text.split(' ');
    const QByteArray &word = fields.front();
    if (word == "convert" && fields.size() == 3)
        return convert(decode(fields[1]), decode(fields[2]));
    if (word == "need" && fields.size() == 2) {
        bool number = false;
        const qint64 bytes = fields[1].toLongLong(&number);
        if (number && bytes >= 0)
            return need(bytes);
    }
    if (word == "fail" && fields.size() >= 2)
        return fail(decode(fields.value(1)), stepOf(fields.value(2)), decode(fields.value(3)));
    if (text == "go")
        return plain(Go);
    if (text == "ok")
        return plain(Ok);
    return WorkerMessage();
}
