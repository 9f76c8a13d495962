#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Every text a user reads has a finished translation in each file of translations/: lupdate scans
the sources into copies of the files, and a text that is new to a file, unfinished, gone from the
code, or whose translation lost a placeholder or the closing line feed of its source, fails.
Usage: check_translations.py <lupdate> <source dir>"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

lupdate, source = sys.argv[1:3]
files = sorted(glob.glob(os.path.join(source, "translations", "*.ts")))
problems = []
if len(files) != 2:
    problems.append("expected the French and the Italian file, found %s" % files)
with tempfile.TemporaryDirectory() as work:
    for ts in files:
        name = os.path.basename(ts)
        copy = os.path.join(work, name)
        shutil.copy(ts, copy)
        subprocess.run([lupdate, "-silent", "-locations", "none",
                        *[os.path.join(source, d) for d in ("rules", "process", "shell", "app", "popup")],
                        "-ts", copy], check=True)
        for context in ET.parse(copy).getroot().iter("context"):
            for message in context.iter("message"):
                where = "%s: %s: %r" % (name, context.findtext("name"), message.findtext("source"))
                text, translation = message.findtext("source"), message.find("translation")
                kind = translation.get("type")
                if kind or not translation.text:
                    problems.append("%s: %s" % (where, kind or "empty"))
                    continue
                if sorted(re.findall(r"%\d", text)) != sorted(re.findall(r"%\d", translation.text)):
                    problems.append("%s: placeholders differ" % where)
                if text.endswith("\n") != translation.text.endswith("\n"):
                    problems.append("%s: the closing line feed differs" % where)
for problem in problems:
    print("FAIL:", problem)
print("%d passed, %d failed" % (0 if problems else 1, 1 if problems else 0))
sys.exit(1 if problems else 0)
