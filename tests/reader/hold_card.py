#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Another program that holds the card in the first reader for itself (SCARD_SHARE_EXCLUSIVE), as
practice software or a card middleware may: waits for the card, writes "held" once it has it, and
lets go after the seconds given, by ending. Usage: hold_card.py <seconds>"""
import sys
import time

from smartcard import scard

_, context = scard.SCardEstablishContext(scard.SCARD_SCOPE_USER)
reader = scard.SCardListReaders(context, [])[1][0]
protocols = scard.SCARD_PROTOCOL_T0 | scard.SCARD_PROTOCOL_T1
while scard.SCardConnect(context, reader, scard.SCARD_SHARE_EXCLUSIVE, protocols)[0]:
    time.sleep(0.05)
print("held", flush=True)
time.sleep(float(sys.argv[1]))
