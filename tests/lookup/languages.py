#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The real program in each language, chosen by the locale: the popup's text as --json shows it
(a rejected number, and a network failure with nothing on port 5016), --help, and standard output
of the default mode byte for byte the same in every language.
Usage: languages.py <tarvik> <hin-standin> <source dir>"""
import json
import os
import subprocess
import sys

tarvik, standin_program, source = sys.argv[1:4]
ANNA = "80756000080000000001"
# Locale, language: German for anything but French and Italian.
LOCALES = [("C", "de"), ("en_US.UTF-8", "de"), ("fr_CH.UTF-8", "fr"), ("it_CH", "it")]
REJECTED = {"de": "Die Nummer beginnt nicht mit 80756.",
            "fr": "Le numéro ne commence pas par 80756.",
            "it": "Il numero non inizia con 80756."}
REFUSED = {"fr": "Connection refused Le HIN Client est-il démarré ? Êtes-vous connecté à HIN ?",
           "it": "Connection refused L'HIN Client è avviato? Ha effettuato l'accesso a HIN?"}
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


def start(locale, *arguments):
    environment = {k: v for k, v in os.environ.items()
                   if not k.startswith("LC_") and k not in ("LANG", "LANGUAGE")}
    environment["LANG"] = locale
    return subprocess.Popen([tarvik, *arguments], env=environment, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)


def message(process):
    return json.loads(process.stdout.readline()).get("message")


# Nothing listens on port 5016 in this namespace: the connection is refused. The popup would
# stay 30 s; the line is all this needs.
for locale, language in LOCALES[2:]:
    refused = start(locale, "--json", ANNA)
    check(message(refused) == REFUSED[language], "%s: network failure" % locale)
    refused.kill()
    refused.wait()

standin = subprocess.Popen([standin_program, "--port", "5016", "--samples",
                            os.path.join(source, "standin/samples")],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
assert standin.stdout.readline().startswith(b"hin-standin listening"), "stand-in failed"
# All at once: each rejection's popup stays 5 s.
runs = [(locale, language, start(locale, ANNA), start(locale, "80756 123"),
         start(locale, "--json", "12345")) for locale, language in LOCALES]
help_text = start("fr_CH.UTF-8", "--help").communicate()[0].decode()
check(help_text.startswith("Utilisation : tarvik <numéro de carte>\n"), "French help")

outputs = set()
for locale, language, record, rejection, rejected in runs:
    check(message(rejected) == REJECTED[language], "%s: rejected number" % locale)
    outputs.add((record.communicate()[0], rejection.communicate()[0]))
    check(rejected.wait() == 3, "%s: --json status" % locale)
check(len(outputs) == 1, "standard output differs between languages: %r" % outputs)
record_bytes, rejection_bytes = min(outputs)
check(record_bytes.endswith(b'Client AHV\t "756.3047.5009.62" \n \n'), "record")
check(rejection_bytes == b'Nummer ist falsch:  "80756 123" \n', "rejection line")
standin.terminate()
standin.wait()
print("%d passed, %d failed" % (0 if failures else 1, 1 if failures else 0))
sys.exit(1 if failures else 0)
