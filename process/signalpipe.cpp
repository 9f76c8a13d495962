// SPDX-License-Identifier: MIT
#include "signalpipe.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace SignalPipe {

namespace {

int pipeEnds[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t sent = ::write(pipeEnds[1], &byte, 1);
}

} // namespace

bool catchSignals()
{
    if (pipeEnds[0] >= 0)
        return true;
    // Not blocking: a burst of signals that fills the pipe must not stop the handler.
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
    return true;
}

int arrivals()
{
    return pipeEnds[0];
}

bool install(QObject *parent, std::function<void()> handler)
{
    if (!catchSignals())
        return false;
    auto *notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [handler = std::move(handler)] {
        char drained[16];
        [[maybe_unused]] const ssize_t got = ::read(pipeEnds[0], drained, sizeof drained);
        handler();
    });
    return true;
}

} // namespace SignalPipe
