#include "diagnostics.h"

#include <QtGlobal>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

FILE *own = stderr;

void swallow(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

void silenceLibraries()
{
    qInstallMessageHandler(swallow);
#ifdef Q_OS_UNIX
    const int saved = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved < 0 || null < 0)
        return;
    FILE *stream = ::fdopen(saved, "w");
    if (!stream || ::dup2(null, STDERR_FILENO) < 0)
        return;
    ::close(null);
    own = stream;
#if defined(__SANITIZE_ADDRESS__)
    // A sanitizer's report is what a test run needs to see.
    __sanitizer_set_report_fd(reinterpret_cast<void *>(static_cast<intptr_t>(saved)));
#endif
#endif
}

void reportLine(const QString &message)
{
    std::fprintf(own, "glassmere-reflect: %s\n", qPrintable(message));
    std::fflush(own);
}

void reportRaw(const char *text)
{
    std::fputs(text, own);
    std::fflush(own);
}

bool reportsToTerminal()
{
#ifdef Q_OS_UNIX
    return ::isatty(::fileno(own)) != 0;
#else
    return false;
#endif
}
