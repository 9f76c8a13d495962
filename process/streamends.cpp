// SPDX-License-Identifier: MIT
#include "streamends.h"

#include "standardstreams.h"

#include <QSocketNotifier>

namespace StreamEnds {

namespace {

// A notifier for fd that calls onEnd once, when ended() says so after it turned readable.
bool watch(int fd, QObject *parent, const std::function<bool()> &ended, std::function<void()> onEnd)
{
    if (fd < 0)
        return false;
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent,
                     [notifier, ended, onEnd = std::move(onEnd)] {
                         if (!ended())
                             return;
                         notifier->setEnabled(false);
                         onEnd();
                     });
    return true;
}

} // namespace

bool watchInput(QObject *parent, std::function<void()> onEnd)
{
    return watch(
            StandardStreams::endingInput(), parent, [] { return !StandardStreams::dropIn(); },
            std::move(onEnd));
}

bool watchOutput(QObject *parent, std::function<void()> onGone)
{
    // A pipe's writing end never turns readable but in error: its reader has gone.
    return watch(
            StandardStreams::endingOutput(), parent, [] { return true; }, std::move(onGone));
}

} // namespace StreamEnds
