#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Code lines of the program (src/, tools/) and of its tests (tests/), C++ only, without blank lines
# and comments; and the tests' share of the whole.
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 - <<'PYTHON'
import os, re

def code_lines(path):
    text = open(path, encoding="utf-8").read()
    text = re.sub(r'"(\\.|[^"\\\n])*"', '""', text)   # a // inside text is not a comment
    text = re.sub(r'/\*.*?\*/', '', text, flags=re.S)
    return sum(1 for line in text.split("\n") if line.split("//")[0].strip())

def count(*folders):
    total = 0
    for folder in folders:
        for root, _, names in os.walk(folder):
            total += sum(code_lines(os.path.join(root, n)) for n in names if n.endswith((".cpp", ".h")))
    return total

program, tests = count("src", "tools"), count("tests")
print("program %d, tests %d, tests' share %.1f %%" % (program, tests, 100.0 * tests / (program + tests)))
PYTHON
