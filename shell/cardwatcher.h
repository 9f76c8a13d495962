// SPDX-License-Identifier: MIT
#pragma once

#include "watchevents.h"

#include <QObject>

#include <memory>

// Watches every reader of the card stack (CardStack) for as long as it lives, in a thread of its
// own: readers plugged in and pulled out, cards put in and taken out, the stack's service going
// away and coming back. It never gives up on the service: while it is gone it is asked again
// about once a second. The events come through the event loop of the thread that made the object,
// in the order they happened, each with the time it was seen; the cards themselves are read by
// whoever receives the events.
class CardWatcher : public QObject
{
    Q_OBJECT

public:
    // How often a service that is gone is asked again.
    static constexpr int retryMs = 1000;

    explicit CardWatcher(QObject *parent = nullptr);
    // Stops the thread; nothing is delivered after this.
    ~CardWatcher() override;

    // Starts watching. The first event is Ready, once the service has been asked (followed by
    // Service unavailable if it was not there); then each card in a reader comes as if put in.
    void start();

    // Nothing is delivered after this; the thread ends as soon as the stack lets it.
    void stop();

    // Shared with the thread (see stop()).
    struct Shared;

Q_SIGNALS:
    void happened(const WatchEvents::Event &event);

private:
    std::shared_ptr<Shared> shared;
};
