#!/usr/bin/env python3
"""Runs the command examples of the manual and the README that are marked
runnable, and checks that every image they show exists.

A runnable example is a fenced code block right after the line
    <!-- runnable -->
or, when it talks to a serial device, after
    <!-- runnable: /dev/ttyUSB0 is a simulated module -->
    <!-- runnable: /dev/ttyUSB0 is a simulated module started with --set 1=1 -->
Then a simulated module (tq740-sim, with those options) is started for the
block, and the named device path in its commands and their output stands for
the module's pseudo-terminal.

In the block, a line starting with "$ " is a command; the lines after it, up
to the next command, are everything it prints, on standard output and
standard error, as a terminal shows them. Both streams are caught apart and
compared exactly: the text must show every line of each stream, in that
stream's order, and no line that neither printed; how the two interleave is
left to the text, since a terminal may show them either way. A line "..."
stands for any number of lines of either stream. A command with no lines
after it must print nothing at all. Without any "$ " line, every line of the
block is a command that prints nothing. A trailing "# exit status N" comment
says the command ends with status N; otherwise it must end with 0.

The blocks of one file run in order in one temporary folder, so a later
example may use a file an earlier one made.

Usage: run_examples.py --bin FOLDER FILE.md...
"""

import os
import re
import subprocess
import sys
import tempfile

MARKER = re.compile(r"^<!--\s*runnable(?::\s*(\S+) is a simulated module(?: started with (.*?))?)?\s*-->\s*$")
FENCE = re.compile(r"^(```+|~~~+)")
EXIT = re.compile(r"#\s*exit status (\d+)\s*$")
IMAGE = re.compile(r"!\[[^\]]*\]\(([^)\s]+)")
TIMEOUT_S = 60


class Example:
    def __init__(self, path, line, device, sim_args):
        self.path, self.line, self.device = path, line, device
        self.sim_args = sim_args.split() if sim_args else []
        self.commands = []  # [command, expected exit status, expected lines or None]


def parse_block(example, lines):
    prompted = any(l.startswith("$ ") for l in lines)
    current = None
    pending = ""  # a command continued with a backslash
    for raw in lines:
        if prompted and not pending and not raw.startswith("$ "):
            if current is not None:
                current[2] = (current[2] or []) + [raw.rstrip()]
            continue
        text = raw[2:] if prompted and not pending else raw
        if text.rstrip().endswith("\\"):
            pending += text.rstrip()[:-1] + " "
            continue
        command = (pending + text).strip()
        pending = ""
        if not command:
            continue
        m = EXIT.search(command)
        current = [command, int(m.group(1)) if m else 0, None]
        example.commands.append(current)


def examples_in(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    found = []
    i = 0
    while i < len(lines):
        m = MARKER.match(lines[i].strip())
        i += 1
        if not m:
            continue
        while i < len(lines) and not lines[i].strip():
            i += 1
        fence = FENCE.match(lines[i]) if i < len(lines) else None
        if not fence:
            raise SystemExit("%s:%d: a runnable marker must stand before a fenced code block" % (path, i))
        example = Example(path, i + 1, m.group(1), m.group(2))
        body = []
        i += 1
        while i < len(lines) and not lines[i].startswith(fence.group(1)):
            body.append(lines[i])
            i += 1
        i += 1
        parse_block(example, body)
        if not example.commands:
            raise SystemExit("%s:%d: a runnable block without a command" % (path, example.line))
        found.append(example)
    return found


def missing_images(path):
    folder = os.path.dirname(os.path.abspath(path))
    with open(path, encoding="utf-8") as f:
        text = f.read()
    problems = []
    for target in IMAGE.findall(text):
        if re.match(r"^[a-z]+:", target):
            continue
        if not os.path.isfile(os.path.join(folder, target)):
            problems.append("%s: image %s does not exist" % (path, target))
    return problems


def matches(expected, out, err):
    """Whether the expected lines are the lines of standard output and of
    standard error, each stream's lines in their order, interleaved in some
    way; "..." matches any run of lines of either stream."""
    seen = {}

    def rest(i, j, k):
        key = (i, j, k)
        if key in seen:
            return seen[key]
        if i == len(expected):
            result = j == len(out) and k == len(err)
        elif expected[i] == "...":
            result = rest(i + 1, j, k) or (j < len(out) and rest(i, j + 1, k)) or (k < len(err) and rest(i, j, k + 1))
        else:
            line = expected[i]
            result = (j < len(out) and out[j] == line and rest(i + 1, j + 1, k)) or (
                k < len(err) and err[k] == line and rest(i + 1, j, k + 1)
            )
        seen[key] = result
        return result

    return rest(0, 0, 0)


def lines_of(text, sim):
    lines = [l.rstrip() for l in text.rstrip("\n").split("\n")] if text.strip() else []
    if sim:
        lines = [l.replace(sim.path, sim.device) for l in lines]
    return lines


def shown(lines):
    return "\n  ".join(lines) if lines else "(nothing)"


class Simulator:
    def __init__(self, bin_dir, args, device):
        self.device = device
        self.proc = subprocess.Popen(
            [os.path.join(bin_dir, "tq740-sim")] + args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True
        )
        self.path = self.proc.stdout.readline().strip()
        if not self.path:
            raise SystemExit("tq740-sim did not name its pseudo-terminal")

    def stop(self):
        self.proc.terminate()
        self.proc.wait(TIMEOUT_S)


def run(example, bin_dir, work_dir):
    failures = []
    sim = Simulator(bin_dir, example.sim_args, example.device) if example.device else None
    env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ.get("PATH", ""), LC_ALL="C.UTF-8")
    try:
        for command, status, expected in example.commands:
            shell_command = command.replace(example.device, sim.path) if sim else command
            try:
                done = subprocess.run(
                    ["bash", "-c", shell_command],
                    cwd=work_dir,
                    env=env,
                    stdin=subprocess.DEVNULL,
                    stdout=subprocess.PIPE,
                    stderr=subprocess.PIPE,
                    timeout=TIMEOUT_S,
                    text=True,
                )
            except subprocess.TimeoutExpired:
                failures.append("%s:%d: `%s` did not end within %d s" % (example.path, example.line, command, TIMEOUT_S))
                continue
            out, err = lines_of(done.stdout, sim), lines_of(done.stderr, sim)
            printed = "standard output:\n  %s\nstandard error:\n  %s" % (shown(out), shown(err))
            where = "%s:%d: `%s`" % (example.path, example.line, command)
            if done.returncode != status:
                failures.append("%s ended with status %d, the text says %d\n%s" % (where, done.returncode, status, printed))
            expected = list(expected or [])
            while expected and not expected[-1]:
                expected.pop()
            if not matches(expected, out, err):
                failures.append("%s printed\n%s\nbut the text shows\n  %s" % (where, printed, shown(expected)))
    finally:
        if sim:
            sim.stop()
    return failures


def main(argv):
    if len(argv) < 4 or argv[1] != "--bin":
        raise SystemExit("usage: run_examples.py --bin FOLDER FILE.md...")
    bin_dir = os.path.abspath(argv[2])
    failures = []
    count = 0
    with tempfile.TemporaryDirectory() as work:
        for path in argv[3:]:
            failures += missing_images(path)
            folder = os.path.join(work, os.path.basename(path))
            os.mkdir(folder)
            for example in examples_in(path):
                count += 1
                failures += run(example, bin_dir, folder)
    for f in failures:
        print("FAIL " + f)
    print("%d runnable examples, %d failures" % (count, len(failures)))
    if count == 0:
        print("FAIL no runnable examples found")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
