#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks a file of card numbers with `tarvik --batch` and prints one line per card.

Usage: read_batch.py CARDS.txt [JOBS]
The file holds one card number a line. TARVIK=/path/to/tarvik picks another program than the
`tarvik` on the PATH. The exit status is tarvik's: 0 when every card was found, unknown or
rejected; 4 when a lookup failed or was cancelled; 2 for a usage error.
"""
import json
import os
import subprocess
import sys


def describe(answer):
    if answer["outcome"] == "found":
        return "found: {lastName} {firstName}, {birthDate}, {town} ({insurer})".format(
            **answer["record"])
    if "detail" in answer:  # a network failure: the HIN Client is not running, for one
        return "failed: " + answer["detail"]
    return answer["outcome"] + ": " + answer["message"]


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    jobs = sys.argv[2] if len(sys.argv) == 3 else "4"
    tarvik = os.environ.get("TARVIK", "tarvik")
    with open(sys.argv[1], "rb") as cards, subprocess.Popen(
            [tarvik, "--batch", "--jobs", jobs], stdin=cards, stdout=subprocess.PIPE) as run:
        # One JSON object a line, in the order of the file, each written as soon as it and every
        # line before it are known.
        for raw in run.stdout:
            answer = json.loads(raw)
            print("line {}: {}: {}".format(answer["line"], answer["card"], describe(answer)),
                  flush=True)
    return run.returncode


if __name__ == "__main__":
    sys.exit(main())
