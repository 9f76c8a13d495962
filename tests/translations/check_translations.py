#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Every text a user reads has a finished translation in each file of translations/: lupdate scans
the sources into copies of the files, and a text that is new to a file, unfinished, gone from the
code, or whose translation lost a placeholder or the closing line feed of its source, fails.
Usage: check_translations.py <lupdate> <source dir>"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

lupdate, source = sys.argv[1:3]
problems = []
with tempfile.TemporaryDirectory() as work:
    for name in ("tarvik_fr.ts", "tarvik_it.ts"):
        copy = shutil.copy(os.path.join(source, "translations", name), work)
        subprocess.run([lupdate, "-silent", "-locations", "none",
                        *[os.path.join(source, d) for d in ("rules", "process", "shell", "app", "popup")],
                        "-ts", copy], check=True)
        for context in ET.parse(copy).getroot().iter("context"):
            for message in context.iter("message"):
                text, translation = message.findtext("source"), message.find("translation")
                where = "%s: %s: %r" % (name, context.findtext("name"), text)
                if translation.get("type") or not translation.text:
                    problems.append("%s: %s" % (where, translation.get("type") or "empty"))
                elif sorted(re.findall(r"%\d", text)) != sorted(re.findall(r"%\d", translation.text)):
                    problems.append("%s: placeholders differ" % where)
                elif text.endswith("\n") != translation.text.endswith("\n"):
                    problems.append("%s: the closing line feed differs" % where)
print("".join("FAIL: %s\n" % problem for problem in problems), end="")
sys.exit(1 if problems else 0)
