#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Mutation run: how many small faults put into the code do the tests catch?
#
#   scripts/mutate.sh [--seed N] [--count N] [--list] [LAYER...]
#
# LAYER is one or more of transfer, machine, fileops, core (default: all four). A fixed seed picks a
# fixed list of mutants from every candidate in those folders: a comparison flipped (< and <=, > and
# >=, == and !=), && and || swapped, a condition negated, an integer constant changed by one, true
# and false swapped, a statement dropped. Each mutant is written into its file, only the tests of its
# layer are rebuilt (in build-mutate/, so build/ is left alone) and run; then the file is put back.
# A mutant that does not compile is left out of the score; one whose tests fail or hang is killed.
# The result, one line a mutant and the score, goes to build-mutate/mutants.txt.
# --list prints the chosen mutants without running them. Needs python3. A manual tool, not part of
# ./test: a full run takes hours on two cores.
set -euo pipefail
cd "$(dirname "$0")/.."

seed=20261207
count=150
list=0
layers=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seed) seed="$2"; shift 2 ;;
    --count) count="$2"; shift 2 ;;
    --list) list=1; shift ;;
    transfer|machine|fileops|core) layers+=("$1"); shift ;;
    *) echo "usage: $0 [--seed N] [--count N] [--list] [transfer|machine|fileops|core...]" >&2; exit 2 ;;
  esac
done
[ ${#layers[@]} -gt 0 ] || layers=(transfer machine fileops core)

build=build-mutate
if [ "$list" -eq 0 ] && [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi

exec python3 - "$seed" "$count" "$list" "$build" "${layers[@]}" <<'PYTHON'
import os, random, re, subprocess, sys

seed, count, list_only, build = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3] == "1", sys.argv[4]
layers = sys.argv[5:]
# The tests that speak for a layer. core has few tests of its own; its rules are met through the
# commands that use them.
TESTS_OF = {
    "transfer": ["transfer"],
    "machine": ["machine"],
    "fileops": ["fileops"],
    "core": ["core", "fileops", "transfer"],
}
# Tests of tests/shell that drive a layer's commands inside the window, beside a running transfer.
WINDOW_TESTS = {
    "transfer": ["tst_TransferWindow"],
    "machine": ["tst_MachineInWindow"],
    "fileops": ["tst_FileOpsWindow", "tst_TransferWindow"],
    "core": ["tst_TransferWindow", "tst_FileOpsWindow"],
}

SWAPS = [(" < ", " <= "), (" <= ", " < "), (" > ", " >= "), (" >= ", " > "),
         (" == ", " != "), (" != ", " == "), (" && ", " || "), (" || ", " && "),
         ("true", "false"), ("false", "true")]
SKIP = re.compile(r'^\s*(#|//|\*|/\*|Q_OBJECT|signals:|public:|private:|protected:)')
STATEMENT = re.compile(r'^(\s*)((emit\s+)?[A-Za-z_][\w:]*(\.|->|\()[^;]*\);)\s*$')
NUMBER = re.compile(r'(?<![\w.])(\d+)(?![\w.])')
CONDITION = re.compile(r'\b(if|while) \(')


def strip_strings(line):
    # Quoted text is the program's own words, never a place for a mutant.
    return re.sub(r'"(\\.|[^"\\])*"', lambda m: ' ' * len(m.group(0)), line)


def matching_paren(text, start):
    depth = 0
    for i in range(start, len(text)):
        if text[i] == '(':
            depth += 1
        elif text[i] == ')':
            depth -= 1
            if depth == 0:
                return i
    return -1


def candidates(path):
    found = []
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for n, line in enumerate(lines):
        if SKIP.match(line):
            continue
        bare = strip_strings(line.split("//")[0])
        for old, new in SWAPS:
            for m in re.finditer(re.escape(old) if old[0] == ' ' else r'\b%s\b' % old, bare):
                found.append((path, n, m.start(), old, new, "%s -> %s" % (old.strip(), new.strip())))
        for m in NUMBER.finditer(bare):
            value = int(m.group(1))
            found.append((path, n, m.start(), m.group(1), str(value + 1), "%d -> %d" % (value, value + 1)))
        for m in CONDITION.finditer(bare):
            open_at = m.end() - 1
            close_at = matching_paren(bare, open_at)
            if close_at > 0:
                inner = line[open_at + 1:close_at]
                found.append((path, n, open_at, "(" + inner + ")", "(!(" + inner + "))", "negate " + m.group(1)))
        s = STATEMENT.match(bare)
        if s and not bare.lstrip().startswith(("return", "case", "else", "QString ", "const ", "auto ")):
            found.append((path, n, len(s.group(1)), line.strip(), ";", "drop statement"))
    return found


def apply(mutant):
    path, n, column, old, new, _ = mutant
    with open(path, encoding="utf-8") as f:
        original = f.read()
    lines = original.split("\n")
    line = lines[n]
    assert line[column:column + len(old)] == old, (path, n, line, old)
    lines[n] = line[:column] + new + line[column + len(old):]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))
    return original


def tests_of(layer):
    names = []
    for folder in TESTS_OF[layer]:
        for name in sorted(os.listdir(os.path.join("tests", folder))):
            if name.startswith("tst_") and name.endswith(".cpp"):
                names.append(name[:-4])
    return names + [t for t in WINDOW_TESTS[layer]
                    if os.path.exists(os.path.join("tests", "shell", t + ".cpp")) and t not in names]


def run(cmd, timeout):
    try:
        return subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return -1


everything = []
for layer in layers:
    for folder, _, names in sorted(os.walk(os.path.join("src", layer))):  # a layer's rooms too
        for name in sorted(names):
            if name.endswith(".cpp") or name.endswith(".h"):
                everything += [(layer,) + c for c in candidates(os.path.join(folder, name))]
chosen = random.Random(seed).sample(everything, min(count, len(everything)))
chosen.sort(key=lambda m: (m[1], m[2], m[3]))
print("%d candidates, %d chosen (seed %d)" % (len(everything), len(chosen), seed), flush=True)
if list_only:
    for m in chosen:
        print("%s:%d  %s" % (m[1], m[2] + 1, m[6]))
    sys.exit(0)

env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
os.environ.update(env)
killed = survived = broken = 0
report = []
for i, m in enumerate(chosen, 1):
    layer, mutant = m[0], m[1:]
    tests = tests_of(layer)
    original = apply(mutant)
    try:
        if run(["cmake", "--build", build, "--target"] + tests, 1800) != 0:
            verdict = "NOCOMPILE"
            broken += 1
        else:
            failed = any(run([os.path.join(build, "bin", t)], 300) != 0 for t in tests)
            verdict = "KILLED" if failed else "SURVIVED"
            killed += failed
            survived += not failed
    finally:
        with open(mutant[0], "w", encoding="utf-8") as f:
            f.write(original)
    line = "%-9s %s:%d  %s" % (verdict, mutant[0], mutant[1] + 1, mutant[5])
    report.append(line)
    print("[%d/%d] %s" % (i, len(chosen), line), flush=True)

# Put the build back in step with the untouched sources.
run(["cmake", "--build", build], 3600)
compiled = killed + survived
score = "score: %d killed of %d that compile (%.1f %%); %d did not compile" % (
    killed, compiled, 100.0 * killed / compiled if compiled else 0.0, broken)
print(score)
with open(os.path.join(build, "mutants.txt"), "w", encoding="utf-8") as f:
    f.write("seed %d, count %d, layers %s\n" % (seed, count, " ".join(layers)))
    f.write("\n".join(report) + "\n" + score + "\n")
PYTHON
