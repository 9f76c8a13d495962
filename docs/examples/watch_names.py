#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Watches the card readers with `tarvik --watch` and prints the holder's name of every card put in.

Usage: watch_names.py [--chip-only] [CARDS]
Runs until Ctrl-C, or until CARDS cards have been answered. TARVIK=/path/to/tarvik picks another
program than the `tarvik` on the PATH. The names are health data: keep them out of logs.
"""
import json
import os
import subprocess
import sys


def describe(line):
    """One line of text for a card's line: the holder's name, or what went wrong."""
    if line["outcome"] == "found":  # the service's record
        name = "{lastName} {firstName}".format(**line["record"])
    elif "chip" in line:  # --chip-only ("read"), or a lookup that failed after the chip was read
        name = "{lastName} {firstName}".format(**line["chip"])
    else:  # the card could not be read: an eGK, a mute card, ...
        return "{}: {}".format(line["outcome"], line["message"])
    if line["outcome"] in ("found", "read"):
        return name
    return "{} ({}: {})".format(name, line["outcome"], line["message"])


def main():
    arguments = sys.argv[1:]
    options = [a for a in arguments if a == "--chip-only"]
    counts = [a for a in arguments if a != "--chip-only"]
    if len(counts) > 1 or not all(c.isdigit() for c in counts):
        sys.exit(__doc__)
    cards_left = int(counts[0]) if counts else -1
    tarvik = os.environ.get("TARVIK", "tarvik")
    # Standard input is a pipe that only this script holds: when it ends, even by a crash, the
    # watch sees its end and ends too.
    with subprocess.Popen([tarvik, "--watch"] + options, stdin=subprocess.PIPE,
                          stdout=subprocess.PIPE) as watch:
        try:
            for raw in watch.stdout:  # one complete line per event, as it happens
                line = json.loads(raw)
                if line["event"] == "card":
                    print("{}: {}".format(line["reader"], describe(line)), flush=True)
                    cards_left -= 1
                    if cards_left == 0:
                        break
                elif line["event"] == "service" and not line["available"]:
                    print("The card service (pcscd) is not running; waiting for it.", flush=True)
        except KeyboardInterrupt:
            pass
        watch.stdin.close()  # ends the watch; cards still under way get their line first
        for raw in watch.stdout:
            line = json.loads(raw)
            if line["event"] == "card":
                print("{}: {}".format(line["reader"], describe(line)), flush=True)
    return watch.returncode


if __name__ == "__main__":
    sys.exit(main())
