// SPDX-License-Identifier: MIT
#pragma once

#include "readerfailure.h"

#include <QByteArray>
#include <QString>

#include <functional>

// The exchange with one insurance card, from the first SELECT to the last READ BINARY: which
// commands go out, how a file is read without knowing its length, and what each status word
// means. The card is reached only through a transmit function, so the card stack stays in the
// shell and a test can play a card from a script.
namespace CardExchange {

// Sends one command APDU and fills response with the card's answer (data, then SW1 SW2). False
// when the transport failed: the caller keeps its own reason, and the exchange ends.
using Transmit = std::function<bool(const QByteArray &command, QByteArray &response)>;

enum class Ending {
    Read, // both files came: id and ad hold them, whatever they contain
    Refused, // the card's answers decided: failure and statusWord say how
    TransportFailed, // transmit returned false
    NoStatusWord, // the card answered with fewer than two bytes: nothing usable
};

struct Files
{
    Ending ending = Ending::Read;
    ReaderFailure failure = ReaderFailure::Unparsable; // Refused
    QString statusWord; // Refused by a status word: e.g. "6A82"; empty when the content decided
    QByteArray id; // EF.ID (2F06)
    QByteArray ad; // EF.AD (2F07)
};

// Selects the master file, then reads EF.ID and EF.AD, each adaptively: its header first (behind
// any padding), then exactly the length the header gives.
Files readFiles(const Transmit &transmit);

} // namespace CardExchange
