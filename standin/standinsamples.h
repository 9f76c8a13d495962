// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// The sample replies the stand-in answers with: one file per card number, <card number>.xml, in
// a folder.
namespace StandinSamples {

// The installed samples (<executable dir>/../share/tarvik-standin/samples) when they exist, else
// the samples in the source tree this was built from.
QString defaultDir();

// The service's reply body for the card: its file in the folder, read now, so that edits count at
// once; the service's "unknown card" answer (status 60) for a card without a file, and for one
// whose number is not a plain name (letters, digits, '-' and '_'), which never reaches the file
// system. False when the card's file is there but cannot be read.
bool replyBody(const QString &dir, const QByteArray &card, QByteArray &body);

} // namespace StandinSamples
