#include "shell/TerminationSignals.h"

#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

#include "base/EventLog.h"

namespace
{
int g_pipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int signalNumber)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &byte, 1);
    errno = savedErrno;
}

void handle(int signalNumber, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signalNumber, &action, nullptr);
}
}

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) {
        logEvent("cannot watch for termination signals");
        return;
    }
    ::fcntl(g_pipe[0], F_SETFL, O_NONBLOCK);
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignals);
    handle(SIGTERM, onTerminationSignal);
    handle(SIGINT, onTerminationSignal);
}

TerminationSignals::~TerminationSignals()
{
    if (g_pipe[0] < 0)
        return;
    handle(SIGTERM, SIG_DFL);
    handle(SIGINT, SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TerminationSignals::readSignals()
{
    unsigned char byte = 0;
    while (::read(g_pipe[1], &byte, 1) == 1)
        emit received(byte);
}
