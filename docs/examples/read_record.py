#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Looks up a card with tarvik and reads the record it prints, as a calling program should.

    read_record.py [--tarvik PATH] <card number>   runs tarvik on the card
    read_record.py -                                reads tarvik's output from standard input

Prints the twelve fields as one JSON object (label: value, in tarvik's order) and exits with 0
when a record was found, 1 when not. The record holds health data: keep it out of logs.
"""

import json
import subprocess
import sys

LABELS = [
    "Ofac ID", "Versicherer Name", "Client Name", "Client Vorname", "Client Geburtsdatum",
    "Client Strasse", "Client PLZ", "Client Ort", "Client Staat", "Client Vers.Nr",
    "Client Geschlecht", "Client AHV",
]

# The longest run is about a minute (30 s without progress, then a 30 s popup); allow more.
TIMEOUT_SECONDS = 90


def parse_record(output: bytes):
    """The twelve fields as a dict, or None when the output is not a record.

    Each field is: label, tab, blank, '"', value, '"', blank, line feed, then a line holding a
    single blank. Values are not escaped and may hold quotes, tabs and line breaks, so a value
    ends at the last '" ' before the next label line, not at the first quote.
    """
    # Bytes, not text mode: text mode would turn a carriage return inside a value into a line end.
    text = output.decode("utf-8")
    fields = {}
    pos = 0
    for i, label in enumerate(LABELS):
        head = label + '\t "'
        if not text.startswith(head, pos):
            return None
        start = pos + len(head)
        if i + 1 < len(LABELS):
            # The next label line, and the value's closing '" ' right before it.
            end = text.find('" \n \n' + LABELS[i + 1] + '\t "', start)
            if end < 0:
                return None
        else:
            end = len(text) - len('" \n \n')
            if end < start or not text.endswith('" \n \n'):
                return None
        fields[label] = text[start:end]
        pos = end + len('" \n \n')
    return fields


def look_up(card: str, tarvik: str = "tarvik"):
    """Runs tarvik on the card: the record as a dict, or None (the user has seen a popup)."""
    run = subprocess.run([tarvik, card], stdout=subprocess.PIPE, timeout=TIMEOUT_SECONDS)
    if run.returncode != 0:
        # 2: no card number; negative: killed by a signal, -6 when no display could be opened.
        raise RuntimeError(f"tarvik ended with status {run.returncode}")
    return parse_record(run.stdout)


def main(argv):
    tarvik = "tarvik"
    if len(argv) >= 2 and argv[0] == "--tarvik":
        tarvik, argv = argv[1], argv[2:]
    if len(argv) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    if argv[0] == "-":
        record = parse_record(sys.stdin.buffer.read())
    else:
        record = look_up(argv[0], tarvik)
    if record is None:
        return 1
    print(json.dumps(record, ensure_ascii=False, indent=1))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
