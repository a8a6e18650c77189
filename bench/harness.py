#!/usr/bin/env python3
"""Assembles the generated workloads with qv3asm and the peer assemblers,
checks that every tool wrote the expected .prg bytes, and times them.

  harness.py check DIR...      byte-identity of every tool's .prg
  harness.py measure DIR...    hyperfine medians, peak memory, ratios

DIR is a folder written by generate.py. qv3asm is taken from $QV3ASM, else
from the build folder beside this checkout (build-bench/qv3asm).
Standard library only; needs hyperfine and /usr/bin/time for "measure".
"""

import bisect
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
WORKLOADS = ("code", "symbols", "data")
PEERS = ("64tass", "acme", "dasm")


def qv3asm_path():
    path = os.environ.get("QV3ASM") or os.path.join(HERE, "..", "build-bench", "qv3asm")
    return os.path.abspath(path)


def tool_command(tool, workload):
    """The command line (run inside the workload folder) and the .prg it writes."""
    if tool == "qv3asm":
        # The module name is the file name before its first dot: code.qv3 -> code.prg
        return [qv3asm_path(), workload + ".qv3"], workload + ".prg"
    out = "%s.%s.prg" % (workload, tool)
    if tool == "64tass":
        return ["64tass", "-q", "--cbm-prg", "-o", out, workload + ".64tass.s"], out
    if tool == "acme":
        return ["acme", "--format", "cbm", "-o", out, workload + ".acme.a"], out
    if tool == "dasm":
        return ["dasm", workload + ".dasm.asm", "-f1", "-o" + out], out
    raise ValueError(tool)


def available_tools():
    tools = []
    if os.access(qv3asm_path(), os.X_OK):
        tools.append("qv3asm")
    else:
        print("note: no qv3asm at %s (set QV3ASM); timing the peers only" % qv3asm_path())
    for peer in PEERS:
        if shutil.which(peer):
            tools.append(peer)
        else:
            print("note: %s is not installed; skipped" % peer)
    return tools


def workloads_in(folder):
    return [w for w in WORKLOADS if os.path.exists(os.path.join(folder, w + ".qv3"))]


def scale_of(folder):
    """The generator names the scale on the first line of every workload."""
    with open(os.path.join(folder, workloads_in(folder)[0] + ".qv3"), encoding="latin-1") as f:
        return int(f.readline().rsplit("scale", 1)[1])


def line_count(folder, workload):
    with open(os.path.join(folder, workload + ".qv3"), "rb") as f:
        return sum(1 for _ in f)


# --- identity -------------------------------------------------------------

def source_line(folder, workload, tool, number):
    name = {"qv3asm": "%s.qv3", "64tass": "%s.64tass.s", "acme": "%s.acme.a",
            "dasm": "%s.dasm.asm"}[tool] % workload
    with open(os.path.join(folder, name), encoding="latin-1", newline="") as f:
        for n, text in enumerate(f, 1):
            if n == number:
                return text.rstrip("\r\n")
    return "<past the end>"


def locate_difference(folder, workload, tool, got, want):
    """The first differing byte, traced to its source line through the map."""
    if got[:2] != want[:2]:
        return "load address %02X%02X, expected %02X%02X" % (got[1], got[0], want[1], want[0])
    limit = min(len(got), len(want))
    offset = next((i for i in range(limit) if got[i] != want[i]), limit)
    load = want[0] | want[1] << 8
    address = load + offset - 2
    rows = []
    with open(os.path.join(folder, workload + ".map.tsv")) as f:
        next(f)
        for row in f:
            a, size, number = row.split("\t")
            rows.append((int(a, 16), int(size), int(number)))
    i = bisect.bisect_right([r[0] for r in rows], address) - 1
    where = "size %d bytes, expected %d" % (len(got), len(want))
    if offset < limit:
        where = "byte $%02X, expected $%02X" % (got[offset], want[offset])
    if i < 0:
        return "at $%04X (%s), before the first code line" % (address, where)
    a, size, number = rows[i]
    text = source_line(folder, workload, tool, number)
    qv3 = source_line(folder, workload, "qv3asm", number)
    expect = " ".join("%02X" % b for b in want[a - load + 2:a - load + 2 + size])
    actual = " ".join("%02X" % b for b in got[a - load + 2:a - load + 2 + size])
    msg = ("first difference at $%04X (%s); line %d at $%04X: %r (qv3: %r) "
           "gives %s, expected %s" % (address, where, number, a, text.strip(),
                                      qv3.strip(), actual or "nothing", expect))
    return msg


def check(folders):
    tools = available_tools()
    failures = 0
    for folder in folders:
        scale = scale_of(folder)
        for workload in workloads_in(folder):
            with open(os.path.join(folder, workload + ".expect.prg"), "rb") as f:
                want = f.read()
            for tool in tools:
                cmd, out = tool_command(tool, workload)
                out_path = os.path.join(folder, out)
                if os.path.exists(out_path):
                    os.remove(out_path)
                started = time.monotonic()
                try:
                    run = subprocess.run(cmd, cwd=folder, capture_output=True, timeout=600)
                    rc, log = run.returncode, (run.stdout + run.stderr).decode("latin-1")
                except subprocess.TimeoutExpired:
                    rc, log = "timeout", ""
                took = time.monotonic() - started
                label = "%-8s x%d %-7s" % (workload, scale, tool)
                if not os.path.exists(out_path):
                    failures += 1
                    print("%s FAIL: no %s written (exit %s) %s"
                          % (label, out, rc, log.strip().splitlines()[:3]))
                    continue
                with open(out_path, "rb") as f:
                    got = f.read()
                if got == want:
                    print("%s identical (%d bytes, exit %s, %.2f s)" % (label, len(got), rc, took))
                else:
                    failures += 1
                    print("%s DIFFERS: %s" % (label, locate_difference(
                        folder, workload, tool, got, want)))
                    for row in log.strip().splitlines()[:5]:
                        print("    " + row)
    return 1 if failures else 0


# --- timing ------------------------------------------------------------------

def peak_rss_mib(cmd, folder, repeats=3):
    """Largest "Maximum resident set size" of a few runs, in MiB."""
    best = 0
    for _ in range(repeats):
        run = subprocess.run(["/usr/bin/time", "-v"] + cmd, cwd=folder,
                             capture_output=True, text=True, errors="replace")
        for row in run.stderr.splitlines():
            if "Maximum resident set size" in row:
                best = max(best, int(row.rsplit(":", 1)[1]))
    return best / 1024.0


def hyperfine(cmd, folder, runs, warmup):
    """The wall-clock times of runs runs, in seconds."""
    with tempfile.NamedTemporaryFile(suffix=".json", delete=False) as tmp:
        report = tmp.name
    try:
        # hyperfine's outlier warnings would clutter the table; its errors do not.
        run = subprocess.run(["hyperfine", "-N", "-i", "--style", "none", "--warmup",
                              str(warmup), "--runs", str(runs), "--export-json", report,
                              " ".join(cmd)], cwd=folder, capture_output=True, text=True)
        if run.returncode != 0:
            raise SystemExit("hyperfine failed on %s:\n%s" % (" ".join(cmd), run.stderr))
        with open(report) as f:
            return json.load(f)["results"][0]["times"]
    finally:
        os.remove(report)


def median(values):
    ordered = sorted(values)
    mid = len(ordered) // 2
    return ordered[mid] if len(ordered) % 2 else (ordered[mid - 1] + ordered[mid]) / 2


def stddev(values):
    if len(values) < 2:
        return 0.0
    mean = sum(values) / len(values)
    return (sum((v - mean) ** 2 for v in values) / (len(values) - 1)) ** 0.5


def measure_workload(folder, workload, tools, runs, warmup, budget, rounds):
    """Times every tool on one workload. The runs are split into rounds and the
    tools take turns within each round, so that a change in the machine's load
    (other people build here) falls on all tools alike."""
    plan = {}
    for tool in tools:
        cmd, _ = tool_command(tool, workload)
        started = time.monotonic()
        try:
            subprocess.run(cmd, cwd=folder, capture_output=True, timeout=budget)
        except subprocess.TimeoutExpired:
            plan[tool] = None
            continue
        probe = time.monotonic() - started
        # Keep one tool and workload under the budget, but never under 3 runs.
        n = max(3, min(runs, int(budget / max(probe, 1e-3))))
        plan[tool] = dict(cmd=cmd, probe=probe, runs=n, times=[])
    loads = []
    for r in range(rounds):
        order = tools[r % len(tools):] + tools[:r % len(tools)]
        for tool in order:
            p = plan[tool]
            if p is None:
                continue
            share = p["runs"] // rounds + (1 if r < p["runs"] % rounds else 0)
            if share == 0:
                continue
            w = warmup if r == 0 and p["probe"] * warmup < budget / 4 else 1
            p["times"] += hyperfine(p["cmd"], folder, share, w)
            loads.append(os.getloadavg()[0])
    results = {}
    for tool in tools:
        p = plan[tool]
        if p is None:
            results[tool] = None
            continue
        rss = peak_rss_mib(p["cmd"], folder, 3 if p["probe"] < 5 else 1)
        results[tool] = dict(median=median(p["times"]), stddev=stddev(p["times"]),
                             rss=rss, runs=len(p["times"]))
    return results, sum(loads) / max(len(loads), 1)


def measure(folders):
    runs = int(os.environ.get("BENCH_RUNS", "10"))
    warmup = int(os.environ.get("BENCH_WARMUP", "3"))
    budget = float(os.environ.get("BENCH_BUDGET", "60"))   # seconds per tool and workload
    rounds = int(os.environ.get("BENCH_ROUNDS", "3"))
    tools = available_tools()
    rows = []
    for folder in folders:
        scale = scale_of(folder)
        for workload in workloads_in(folder):
            lines = line_count(folder, workload)
            results, load = measure_workload(folder, workload, tools, runs, warmup, budget,
                                             max(1, rounds))
            for tool in tools:
                r = results[tool]
                row = dict(workload=workload, scale=scale, lines=lines, tool=tool, load=load,
                           median=None, stddev=None, rss=None, runs=0)
                if r is None:
                    print("%-8s x%d %-7s over %.0f s, not timed" % (workload, scale, tool, budget))
                else:
                    row.update(r)
                    print("%-8s x%d %-7s %9.1f ms  %7.1f MiB  (%d runs, load %.2f)"
                          % (workload, scale, tool, r["median"] * 1e3, r["rss"], r["runs"], load))
                rows.append(row)
            sys.stdout.flush()
    print()
    print_table(rows)
    return 0


def print_table(rows):
    """Markdown table: one row per workload, scale and tool."""
    def key(r):
        return (r["workload"], r["scale"])

    fastest = {}
    for r in rows:
        if r["tool"] != "qv3asm" and r["median"] is not None:
            k = key(r)
            if k not in fastest or r["median"] < fastest[k]["median"]:
                fastest[k] = r
    by_tool = {(r["workload"], r["scale"], r["tool"]): r for r in rows}
    print("| workload | scale | lines | tool | median ms | stddev ms | runs | peak MiB "
          "| x fastest peer (time) | x fastest peer (memory) | growth vs x1 | load |")
    print("|---|---|---|---|---|---|---|---|---|---|---|---|")
    for r in sorted(rows, key=lambda r: (WORKLOADS.index(r["workload"]), r["scale"],
                                         r["median"] is None, r["median"] or 0)):
        best = fastest.get(key(r))
        if r["median"] is None:
            print("| %s | %d | %d | %s | not timed (over budget) | | | | | | | %.2f |"
                  % (r["workload"], r["scale"], r["lines"], r["tool"], r["load"]))
            continue
        ratio = "%.2f" % (r["median"] / best["median"]) if best else "-"
        mem = "%.2f" % (r["rss"] / best["rss"]) if best and best["rss"] else "-"
        growth = ""
        if r["scale"] != 1:
            base = by_tool.get((r["workload"], 1, r["tool"]))
            if base and base["median"]:
                growth = "%.2f" % (r["median"] / base["median"])
        mark = " (fastest peer)" if best is r else ""
        print("| %s | %d | %d | %s%s | %.1f | %.1f | %d | %.1f | %s | %s | %s | %.2f |"
              % (r["workload"], r["scale"], r["lines"], r["tool"], mark, r["median"] * 1e3,
                 r["stddev"] * 1e3, r["runs"], r["rss"], ratio, mem, growth, r["load"]))


def main(argv):
    if len(argv) < 2 or argv[0] not in ("check", "measure"):
        print(__doc__)
        return 2
    folders = [os.path.abspath(f) for f in argv[1:]]
    return check(folders) if argv[0] == "check" else measure(folders)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
