// SPDX-License-Identifier: MIT
#pragma once

#include "cardstack.h"
#include "chipdata.h"
#include "readerfailure.h"

#include <QObject>
#include <QTimer>

#include <memory>

// Waits for an insurance card in any reader, readers plugged in meanwhile included, through the
// card stack (CardStack), reads the card's two files and hands over what they hold, or why there
// is nothing. A card of another kind does not end the wait while time is left: one in a reader
// from the start (a staff card may live there) is passed over, one put in later is told with
// otherCard(). The waiting and the card's commands block, so they run in a thread of their own;
// what it finds comes back through the event loop of the thread that made the object, never
// during a call.
class CardReader : public QObject
{
    Q_OBJECT

public:
    // How long a run waits for a card to be put in.
    static constexpr int waitMs = 60000;
    // How long reading a card may take, the second try included. A card reads in well under a
    // second; one that answers its reset but no command would otherwise hold the run until the
    // watchdog ends it, since no PC/SC call cancels a command under way.
    static constexpr int readLimitMs = CardStack::readLimitMs;

    explicit CardReader(QObject *parent = nullptr);
    // Cancels a wait still going on; the thread ends on its own and delivers nothing more.
    ~CardReader() override;

    // Starts waiting for a card, at most waitFor ms, each reading at most readFor ms (tests
    // shorten them). Called once.
    void start(int waitFor = waitMs, int readFor = readLimitMs);

    // Reads the card in the named reader now, without waiting for one: for a watcher of the
    // readers that has seen it put in. Delivers as start() does, within the read limit. Called
    // once, instead of start().
    void readFrom(const QString &reader);

    // Tests shorten the read limit, before readFrom().
    void setReadLimit(int ms) { readLimitFor = ms; }

    // Stops the wait: nothing is delivered after this.
    void cancel();

    // The stack's names for the two ends a run may give a reading from outside: the user gave up
    // on the card, or the card did not answer in time.
    static QString cancelledName();
    static QString timedOutName();

Q_SIGNALS:
    // An insurance card was read: the first reader holding one wins.
    void cardRead(const ChipData::Card &card);
    void readFailed(const ReaderError &error);
    // A card of another kind was put in; the wait goes on. Should no insurance card follow, the
    // wait ends in NotInsuranceCard.
    void otherCard();

public:
    // From the thread, through the event loop: a card is being read, so its time starts; that
    // card was of another kind and the wait goes on, so its time ends.
    void startReadLimit();
    void stopReadLimit();

    // Shared with the thread, which may outlive the object (see cancel()).
    struct Shared;

private:
    std::shared_ptr<Shared> shared;
    QTimer readLimit;
    int readLimitFor = readLimitMs;
};
