#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Drives qv3-lsp as an editor does on one large document: opens it, then
changes one line (alternately breaking and repairing an operand) RUNS times
and waits each time for the diagnostics of the new version. Prints the
median engine time of those checks (what the server's --timing reports),
the median time from sending the change to receiving its diagnostics, and
the server's resident memory with the document open.

  lsp_change.py QV3_LSP FILE.qv3 [RUNS]
"""

import json
import os
import re
import statistics
import subprocess
import sys
import time


def main():
    server, path = sys.argv[1], os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 20
    text = open(path, encoding="latin-1").read()
    lines = text.splitlines()
    # The line to change: the last instruction with an operand.
    target = max(i for i, line in enumerate(lines) if re.match(r"\s+(LDA|STA|ADC|JSR|JMP)\s+\S", line))
    original = lines[target]

    process = subprocess.Popen([server, "--debounce", "0", "--timing"], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    reader = process.stdout

    def send(message):
        body = json.dumps(message).encode()
        process.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        process.stdin.flush()

    def receive():
        header = b""
        while not header.endswith(b"\r\n\r\n"):
            header += reader.read(1)
        length = int(re.search(rb"Content-Length: *(\d+)", header).group(1))
        return json.loads(reader.read(length))

    def wait_for_diagnostics(version):
        while True:
            message = receive()
            if message.get("method") == "textDocument/publishDiagnostics" and \
                    message["params"].get("version") == version:
                return message["params"]["diagnostics"]

    send({"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"capabilities": {}}})
    while receive().get("id") != 1:
        pass
    send({"jsonrpc": "2.0", "method": "initialized", "params": {}})
    uri = "file://" + path
    send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
          "params": {"textDocument": {"uri": uri, "languageId": "qv3", "version": 1, "text": text}}})
    wait_for_diagnostics(1)

    round_trips = []
    for run in range(runs):
        version = run + 2
        broken = run % 2 == 0
        new_line = original.rstrip() + ("+NOWHERE" if broken else "")
        change = {"range": {"start": {"line": target, "character": 0},
                            "end": {"line": target, "character": len(lines[target])}},
                  "text": new_line}
        lines[target] = new_line
        start = time.perf_counter()
        send({"jsonrpc": "2.0", "method": "textDocument/didChange",
              "params": {"textDocument": {"uri": uri, "version": version}, "contentChanges": [change]}})
        diagnostics = wait_for_diagnostics(version)
        round_trips.append((time.perf_counter() - start) * 1000)
        errors = [d for d in diagnostics if d.get("severity") == 1]
        if broken != bool(errors):
            sys.exit("lsp_change: version %d has %d errors" % (version, len(errors)))

    status = open("/proc/%d/status" % process.pid).read()
    rss = int(re.search(r"VmRSS:\s+(\d+)", status).group(1))
    peak = int(re.search(r"VmHWM:\s+(\d+)", status).group(1))
    send({"jsonrpc": "2.0", "id": 2, "method": "shutdown", "params": None})
    while receive().get("id") != 2:
        pass
    send({"jsonrpc": "2.0", "method": "exit"})
    process.stdin.close()
    log = process.stderr.read().decode()
    process.wait()
    engine = [float(m) for m in re.findall(r"in ([0-9.]+) ms", log)][1:]  # the changes, not the open

    print("%s: %d lines, %d changes of line %d" % (path, len(lines), runs, target + 1))
    print("engine time of a check after a change: median %.2f ms, max %.2f ms"
          % (statistics.median(engine), max(engine)))
    print("change sent to its diagnostics received: median %.2f ms, max %.2f ms"
          % (statistics.median(round_trips), max(round_trips)))
    print("server memory with the document open: %.1f MB resident, %.1f MB peak"
          % (rss / 1024, peak / 1024))


if __name__ == "__main__":
    main()
