// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Why reading the insurance card from a reader came to nothing. The card reader decides it from
// the PC/SC stack's answers; everything above it sees only this and the stack's error name, so
// that no PC/SC type leaves the class that talks to it.
enum class ReaderFailure {
    NoService, // no PC/SC service (pcscd) to ask
    NoReader, // no reader connected during the whole wait
    NoCard, // readers, but no card within the wait
    NotInsuranceCard, // a card whose files are not those of a Swiss insurance card (an eGK, say)
    Unreadable, // mute, reversed, or pulled while it was read, also the second time
    InUse, // another program held the card for itself for as long as reading it may take
    Unparsable, // the insurance card's template is there but its data does not parse
    Cancelled, // the user closed the waiting popup
};

// What the reader hands over when it fails: the kind, and the PC/SC stack's own name for what it
// answered last (e.g. "SCARD_E_NO_READERS_AVAILABLE"), empty when the card's content decided.
struct ReaderError
{
    ReaderFailure failure = ReaderFailure::NoCard;
    QString detail;
};
