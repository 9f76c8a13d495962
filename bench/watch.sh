#!/bin/sh
# SPDX-License-Identifier: MIT
# The watch benchmark, on the virtual cards through a private pcscd (tests/pcscns.sh) and the
# stand-in:
#  1. Insertion to line: a card put into a reader again and again (INSERTIONS, default 60, at
#     random moments against pcscd's polling), from starting the virtual card to its line on the
#     watch's standard output, split at the line's "at" (when pcscd reported the card to the watch)
#     into pcscd's part and the watch's own; beside it the whole run of `tarvik --json --reader`
#     with the card already in, as many times.
#  2. Staying well: CYCLES (default 1000) insertions and removals, both readers at once, with the
#     watch's resident memory, open descriptors and threads after the first 100 and at the end.
#  3. pcscd stopped and started again ten times in a row, then a card: its line must come.
# Prints medians and 95th percentiles; asserts nothing but that every card gets its line.
# Usage: bench/watch.sh      INSERTIONS=N, CYCLES=N, BUILD=<dir> (default build)
set -eu
cd "$(dirname "$0")/.."
. bench/cardbench.sh
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
BUILD=$build python3 - <<'PY'
import json, os, queue, random, statistics, subprocess, threading, time
from datetime import datetime, timezone

build = os.environ["BUILD"]
tarvik, vcard = build + "/tarvik", build + "/hin-vcard"
insertions = int(os.environ.get("INSERTIONS", "60"))
cycles = int(os.environ.get("CYCLES", "1000"))
readers = {0: "Virtual PCD 00 00", 1: "Virtual PCD 00 01"}


def now_ms():
    return time.time() * 1000


def at_ms(at):
    moment = datetime.strptime(at, "%Y-%m-%dT%H:%M:%S.%fZ").replace(tzinfo=timezone.utc)
    return moment.timestamp() * 1000


def quantiles(values):
    ordered = sorted(values)
    return statistics.median(ordered), ordered[min(len(ordered) - 1, int(0.95 * len(ordered)))]


class Watch:
    """tarvik --watch, its lines taken as they arrive, each with its time of arrival."""

    def __init__(self):
        self.process = subprocess.Popen([tarvik, "--watch"], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE)
        self.lines = queue.Queue()
        threading.Thread(target=self.read, daemon=True).start()
        self.next("ready")

    def read(self):
        for raw in self.process.stdout:
            self.lines.put((now_ms(), json.loads(raw)))

    def next(self, event, timeout=30):
        while True:
            arrival, line = self.lines.get(timeout=timeout)
            if line["event"] == event:
                return arrival, line

    def status(self, key):
        with open("/proc/%d/status" % self.process.pid) as status:
            for row in status:
                if row.startswith(key + ":"):
                    return int(row.split()[1])

    def descriptors(self):
        return len(os.listdir("/proc/%d/fd" % self.process.pid))

    def end(self):
        self.process.stdin.close()
        return self.process.wait(timeout=10)


def insert(reader, card="regular"):
    return subprocess.Popen([vcard, "--port", str(35963 + reader), "standin/cards/" + card])


def pull(card):
    card.terminate()
    card.wait()


# 1. Insertion to line.
watch = Watch()
pcscd, own, total = [], [], []
for _ in range(insertions):
    time.sleep(random.uniform(0.1, 0.5))  # any moment against pcscd's 400 ms polling
    started = now_ms()
    card = insert(0)
    arrival, line = watch.next("card")
    assert line["outcome"] == "found", line
    seen = at_ms(line["at"])
    pcscd.append(seen - started)
    own.append(arrival - seen)
    total.append(arrival - started)
    pull(card)
    watch.next("removed")
watch.end()
card = insert(0)
time.sleep(1)
runs = []
for _ in range(insertions):
    started = now_ms()
    answer = subprocess.run([tarvik, "--json", "--reader"], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)
    runs.append(now_ms() - started)
    assert json.loads(answer.stdout)["outcome"] == "found", answer.stdout
pull(card)
# The virtual card's own start, part of pcscd's share above: a process and the toolkit's start.
starts = []
for _ in range(insertions):
    started = now_ms()
    subprocess.run([vcard, "--help"], stdout=subprocess.DEVNULL)
    starts.append(now_ms() - started)
print("1. insertion to line, %d insertions (ms)      median    95th" % insertions)
for name, values in (("whole: virtual card started to line", total),
                     ("  pcscd's part: to the watch seeing it", pcscd),
                     ("    of it the virtual card's start", starts),
                     ("  the watch's own: seen to line", own),
                     ("tarvik --json --reader, card in", runs)):
    print("   %-42s %7.1f %7.1f" % ((name,) + quantiles(values)))
print("   the watch's own part against a run of its own: %.2f (median)"
      % (statistics.median(own) / statistics.median(runs)))

# 2. Staying well: both readers at once, until the cycles are done.
watch = Watch()
figures = {}
cycles = max(cycles, 100)
for done in range(0, cycles, 2):
    cards = [insert(0), insert(1)]
    for _ in cards:
        assert watch.next("card")[1]["outcome"] == "found"
    for card in cards:
        pull(card)
    for _ in cards:
        watch.next("removed")
    if done + 2 in (100, cycles // 2, cycles):
        figures[done + 2] = (watch.status("VmRSS"), watch.descriptors(), watch.status("Threads"))
print("2. after cycles       RSS (KiB)  descriptors  threads")
for count, (rss, fds, threads) in sorted(figures.items()):
    print("   %5d            %10d  %11d  %7d" % (count, rss, fds, threads))
first, last = figures[100], figures[max(figures)]
print("   growth from 100 to %d: %d KiB, %+d descriptors"
      % (max(figures), last[0] - first[0], last[1] - first[1]))

# 3. pcscd stopped and started ten times in a row; the next card gets its line.
back = []
pcscd_process = None
pid = int(os.environ["PCSCNS_PCSCD"])
for _ in range(10):
    if pcscd_process:
        pcscd_process.terminate()
        pcscd_process.wait()
    else:
        os.kill(pid, 15)
        while os.path.exists("/proc/%d" % pid) and open("/proc/%d/stat" % pid).read().split()[2] != "Z":
            time.sleep(0.05)
    watch.next("service")  # gone
    started = now_ms()
    pcscd_process = subprocess.Popen(["pcscd", "--foreground", "--config",
                                      os.environ["PCSCNS_CONFIG"]],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    arrival, line = watch.next("service")
    assert line["available"], line
    back.append(arrival - started)
card = insert(1)
line = watch.next("card")[1]
pull(card)
print("3. pcscd stopped and started 10 times: back in the watch after %.0f ms (median), "
      "then the card: %s" % (statistics.median(back), line["outcome"]))
print("   exit status once its standard input closed: %d" % watch.end())
if pcscd_process:
    pcscd_process.terminate()
PY
