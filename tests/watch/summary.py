#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks the lines of watch rows against the published schema and prints them short, a lane at a
time (the lines about the service, then each reader's), as only a lane's order is promised; the
lines that are not JSON (the row's notes, the exit status) follow as they are. Rows come one after
the other on standard input, each ended by a line of one record separator (\\x1e), and so does
each row's summary, so that one interpreter serves all the rows of a test.
Usage: summary.py <schema>"""
import json
import sys

import jsonschema

END = "\x1e\n"


def summary(rows):
    lanes, notes = {}, []
    for raw in rows:
        try:
            line = json.loads(raw)
        except ValueError:
            notes.append(raw.rstrip("\n"))
            continue
        try:
            jsonschema.validate(line, schema)
        except jsonschema.ValidationError as error:
            notes.append("schema: %s: %s" % (error.message, raw.strip()))
            continue
        lane = line.get("reader", "")[-1:]  # "Virtual PCD 00 01" is reader 1
        words = [line["event"], lane]
        for key in ("available", "present"):
            if key in line:
                words.append(json.dumps(line[key]))
        if "readers" in line:
            words.append(str(len(line["readers"])))
        if "outcome" in line:
            words.append(line["outcome"])
            words.append(line.get("card", line.get("chip", {}).get("cardNumber", "")))
            if "message" in line:
                words.append("%s (%s)" % (line["message"], line.get("detail", "")))
        at, last = line["at"], lanes.get(lane, [("", "")])[-1][0]
        if at < last:
            notes.append("at goes back: %s" % raw.strip())
        lanes.setdefault(lane, []).append((at, " ".join(word for word in words if word)))
    return [words for lane in sorted(lanes) for at, words in lanes[lane]] + notes


schema = json.load(open(sys.argv[1]))
row = []
for raw in iter(sys.stdin.readline, ""):
    if raw != END:
        row.append(raw)
        continue
    print("".join(line + "\n" for line in summary(row)), end=END, flush=True)
    row = []
