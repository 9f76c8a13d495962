#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The real program in --json and --batch mode through the stand-in on port 5016: every line it
writes is checked against docs/tarvik-output.schema.json, and each run's outcomes, line numbers
and exit status against what the card asks for. Also runs the README's example reader.
Usage: json_output.py <tarvik> <hin-standin> <source dir>"""
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

import jsonschema

tarvik, standin_program, source = sys.argv[1:4]
schema = json.load(open(os.path.join(source, "docs/tarvik-output.schema.json")))
validator = jsonschema.Draft202012Validator(schema)
ANNA, JEAN = "80756000080000000001", "80756015620000000002"
UNKNOWN, PROBLEM, NOT_FOUND = "80756000080000000060", "80756000080000000067", "80756000080000000404"
failures = []
# Single-card runs and their exit status, waited for at the end: a popup keeps them up a while.
popups = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


def standin(*options):
    process = subprocess.Popen([standin_program, "--port", "5016", "--samples",
                                os.path.join(source, "standin/samples"), *options],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    assert process.stdout.readline().startswith(b"hin-standin listening"), "stand-in failed"
    return process


def start(arguments, stdin=b""):
    process = subprocess.Popen([tarvik, *arguments], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    process.stdin.write(stdin)
    process.stdin.close()
    return process


def answers(process, count):
    """Reads `count` lines as they come and checks each against the schema."""
    objects = []
    for _ in range(count):
        raw = process.stdout.readline()
        check(raw.endswith(b"\n"), "%s: line %r" % (process.args, raw))
        try:
            objects.append(json.loads(raw))
        except ValueError:
            check(False, "%s: not JSON: %r" % (process.args, raw))
            continue
        errors = [e.message for e in validator.iter_errors(objects[-1])]
        check(not errors, "%s: %s against the schema: %s" % (process.args, raw, errors))
    return objects


def finish(process, status, stdout=b""):
    check(process.wait(60) == status, "%s: exit %s, not %s" % (process.args, process.returncode, status))
    rest = process.stdout.read()
    check(rest == stdout, "%s: more output: %r" % (process.args, rest))
    return process.stderr.read()


def summary(objects):
    return [(o.get("line"), o["card"], o["outcome"]) for o in objects]


# 1. Every outcome the service can give, one card at a time and as one batch.
service = standin()
text = start([ANNA])
singles = {card: start(["--json", card]) for card in
           [ANNA, JEAN, UNKNOWN, PROBLEM, NOT_FOUND, " Karte 80756 123 "]}
batch_input = "\n".join([ANNA, " \t\u00a0", " %s \r" % UNKNOWN, "80756x", PROBLEM, JEAN, "", ""]).encode()
batch = start(["--batch", "--jobs", "3"], batch_input)
settled = start(["--batch", "--jobs=1"], b"%s\n1234\n%s" % (ANNA.encode(), UNKNOWN.encode()))
empty = start(["--batch"], b"\n  \n")
# The largest input taken (64 blank lines of 1 MiB, so there is nothing to look up), and one byte
# more.
blank_mib = b" " * ((1 << 20) - 1) + b"\n"
largest = start(["--batch"], blank_mib * 64)
too_large = start(["--batch"], blank_mib * 64 + b"\n")
usage = [start(arguments) for arguments in
         (["--batch", "--jobs", "0"], ["--batch", "--jobs", "7"], ["--json"], ["--jobs", "2"],
          ["--batch", ANNA])]
with tempfile.NamedTemporaryFile("w", suffix=".txt") as cards:
    cards.write("%s\n%s\n12345\n%s\n" % (ANNA, JEAN, UNKNOWN))
    cards.flush()
    example = subprocess.run([sys.executable, os.path.join(source, "docs/examples/read_batch.py"),
                              cards.name, "2"], env=dict(os.environ, TARVIK=tarvik),
                             stdout=subprocess.PIPE, timeout=60)
check(example.returncode == 0, "example: exit %d" % example.returncode)
check(example.stdout.decode().splitlines() == [
    "line 1: %s: found: Müller-Lüdenscheidt Anna-Lena, 09.07.1984, Zürich (Krankenkasse Säntis)" % ANNA,
    "line 2: %s: found: Von gunten Jean-François, 23.11.1957, Biel/Bienne "
    "(Alpina Kranken- und Unfallversicherung AG id=1562)" % JEAN,
    "line 3: 12345: rejected: Die Nummer beginnt nicht mit 80756.",
    "line 4: %s: unknown-person: Versicherter unbekannt." % UNKNOWN], "example: %r" % example.stdout)

expected = {ANNA: ("found", 0), JEAN: ("found", 0), UNKNOWN: ("unknown-person", 1),
            PROBLEM: ("failed", 4), NOT_FOUND: ("failed", 4), " Karte 80756 123 ": ("rejected", 3)}
single = {}
for card, process in singles.items():
    [single[card]] = answers(process, 1)
    popups.append((process, expected[card][1]))
    check(single[card]["outcome"] == expected[card][0], "--json %s: %s" % (card, single[card]))
check(single[" Karte 80756 123 "]["card"] == "80756 123", "the rejected card is cleaned up")

# The record holds exactly the values the text output shows, in its order.
text_lines = text.stdout.read().decode().split("\n")
text_values = [line.split("\t \"", 1)[1][:-2] for line in text_lines if "\t" in line]
check(list(single[ANNA]["record"].values()) == text_values, "record differs from the text output")

check(summary(answers(batch, 5)) == [
    (1, ANNA, "found"), (3, UNKNOWN, "unknown-person"), (4, "80756x", "rejected"),
    (5, PROBLEM, "failed"), (6, JEAN, "found")], "batch lines")
finish(batch, 4)
check([o["outcome"] for o in answers(settled, 3)] == ["found", "rejected", "unknown-person"],
      "settled batch")
finish(settled, 0)
finish(empty, 0)
finish(largest, 0)
check(b"64 MiB" in finish(too_large, 2), "the batch input limit")
for process in usage:
    errors = finish(process, 2).decode()
    check(errors.startswith("tarvik: ") and "Aufruf: tarvik" in errors, "usage: %r" % errors)

# 2. Network failures: the stand-in closes every connection without an answer.
service.terminate()
service.wait()
service = standin("--fail", "close")
failed_single = start(["--json", ANNA])
[failed] = answers(failed_single, 1)
# Its popup would stay 30 s; the exit status of a failure is the problem card's above.
failed_single.kill()
failed_single.wait()
check(failed["outcome"] == "failed" and failed["detail"] == "Connection closed", str(failed))
failed_batch = start(["--batch"], ("%s\n" % ANNA * 3).encode())
check({o["outcome"] for o in answers(failed_batch, 3)} == {"failed"}, "failed batch")
finish(failed_batch, 4)

# 3. Cancelling: SIGTERM, like closing the window, writes every card not yet answered as
# cancelled, in order.
service.terminate()
service.wait()
service = standin("--delay-ms", "500")
cancelled = start(["--batch", "--jobs", "1"], ("%s\n\n" % ANNA * 4 + "123").encode())
first = answers(cancelled, 1)
cancelled.send_signal(signal.SIGTERM)
check(summary(first + answers(cancelled, 4)) == [
    (1, ANNA, "found"), (3, ANNA, "cancelled"), (5, ANNA, "cancelled"), (7, ANNA, "cancelled"),
    (9, "123", "cancelled")], "cancelled batch")
finish(cancelled, 4)

for process, status in popups:
    finish(process, status)
service.terminate()
service.wait()
print("%d passed, %d failed" % (1 if not failures else 0, 1 if failures else 0))
sys.exit(1 if failures else 0)
