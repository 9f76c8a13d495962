// SPDX-License-Identifier: MIT
// The chip of one insurance card as a card file describes it (format: cards/README): its ATR,
// its files under the master file, and how it misbehaves on purpose.

#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

class VirtualCard
{
public:
    // Reads a card file; on failure returns false and sets error to "<file>:<line>: <why>".
    bool load(const QString &path, QString *error);

    QByteArray atr() const { return m_atr; }
    int insertAfterMs() const { return m_insertAfterMs; }
    // Whether the card is to be pulled now, after the command it answered last.
    bool pullNow() const { return m_pull != Pull::Never && m_selects == 1 && m_lastWasSelect; }
    // Whether a pulled card stays out; if not, it is put back at once, as a contact bounce does.
    bool staysOut() const { return m_pull == Pull::AfterFirstSelect; }

    // The card's answer (data + SW1 SW2) to a command APDU; empty when it gives none at all.
    QByteArray answer(const QByteArray &apdu);
    // Power off, on and reset: nothing is selected any more, and no command answered.
    void reset()
    {
        m_selected.clear();
        m_lastWasSelect = false;
    }

private:
    QByteArray select(const QByteArray &apdu);
    QByteArray readBinary(const QByteArray &apdu) const;

    QByteArray m_atr;
    QMap<QString, QByteArray> m_files; // by FID, upper-case hex: "2F06"
    int m_insertAfterMs = 0;
    bool m_strictLe = false;
    bool m_refuseRead = false;
    bool m_mute = false;
    bool m_silent = false;
    enum class Pull { Never, AfterFirstSelect, Bounce } m_pull = Pull::Never;
    QString m_selected; // FID of the current file, "3F00" for the master file, "" for none
    int m_selects = 0;
    bool m_lastWasSelect = false;
};
