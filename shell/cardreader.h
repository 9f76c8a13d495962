// SPDX-License-Identifier: MIT
#pragma once

#include "chipdata.h"
#include "readerfailure.h"

#include <QObject>

#include <memory>

// The one place that talks PC/SC (pcsc-lite here; the same calls on macOS and Windows). It waits
// for a card in any reader, readers plugged in meanwhile included, reads the card's two files and
// hands over what they hold, or why there is nothing. The waiting and the card's commands block,
// so they run in a thread of their own; the answer comes back through the event loop of the
// thread that made the object, never during a call.
class CardReader : public QObject
{
    Q_OBJECT

public:
    // How long a run waits for a card to be put in.
    static constexpr int waitMs = 60000;

    explicit CardReader(QObject *parent = nullptr);
    // Cancels a wait still going on; the thread ends on its own and delivers nothing more.
    ~CardReader() override;

    // Starts waiting for a card, at most waitFor ms (tests shorten it). Called once.
    void start(int waitFor = waitMs);

    // Stops the wait: nothing is delivered after this.
    void cancel();

Q_SIGNALS:
    // An insurance card was read: the first reader holding one wins.
    void cardRead(const ChipData::Card &card);
    void readFailed(const ReaderError &error);

public:
    // Shared with the thread, which may outlive the object (see cancel()).
    struct Shared;

private:
    std::shared_ptr<Shared> shared;
};
