#!/usr/bin/python3
"""Prints the table of bench/run-all.sh from the results of one run.

    report.py <results folder>    (core.json, xlwt.txt, startup.txt)

Every figure stands next to its reference from the same run. Times are medians."""

import json
import os
import statistics
import sys

ACTION_BUDGET_MS = 5.0  # a screen action on a 50-message file, without the disk's flush


def load_core(folder):
    with open(os.path.join(folder, "core.json")) as f:
        data = json.load(f)
    medians = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "median":
            medians[b["run_name"]] = b
    return data.get("context", {}), medians


def load_startup(folder):
    runs = {}
    with open(os.path.join(folder, "startup.txt")) as f:
        for line in f:
            program, ms, kib = line.split()
            runs.setdefault(program, ([], []))
            runs[program][0].append(float(ms))
            runs[program][1].append(int(kib))
    return {p: (statistics.median(t), statistics.median(m), len(t)) for p, (t, m) in runs.items()}


def main():
    folder = sys.argv[1]
    context, core = load_core(folder)
    with open(os.path.join(folder, "xlwt.txt")) as f:
        xlwt_ms = float(f.read().split()[0])
    startup = load_startup(folder)

    def ms(name):
        b = core[name]
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
        return b["real_time"] * scale

    def mbps(name):
        return core[name]["bytes_per_second"] / 1e6

    rows = []

    def row(what, value, reference, ratio, target="", met=""):
        rows.append((what, value, reference, "%.2f" % ratio, target, met))

    def yes(ok):
        return "yes" if ok else "**no**"

    # Record codec: throughput against the plain read of the same bytes.
    for arg, label in (("0", "50-message file"), ("1", "10 MB file")):
        floor = mbps("ReadPlain/" + arg)
        decode = mbps("Decode/" + arg)
        encode = mbps("Encode/" + arg)
        row("Decode, %s" % label, "%.0f MB/s" % decode, "plain read %.0f MB/s" % floor, decode / floor, "≥ 0.5",
            yes(decode / floor >= 0.5))
        row("Encode, %s" % label, "%.0f MB/s" % encode, "plain read %.0f MB/s" % floor, encode / floor)
    first = float(context.get("codec_first_use_ms", "nan"))
    rows.append(("Code page codec, first call of a run", "%.3f ms" % first, "", "", "", ""))

    # Screen actions: against the same file work (lock, read, atomic rewrite) without decoding or encoding.
    def action(what, name, floor_name, budget):
        value = ms(name)
        floor = ms(floor_name)
        if budget:
            row(what, "%.3f ms" % value, "file work alone %.3f ms" % floor, value / floor, "< %g ms" % ACTION_BUDGET_MS,
                yes(value < ACTION_BUDGET_MS))
        else:
            row(what, "%.3f ms" % value, "file work alone %.3f ms" % floor, value / floor)

    for count in ("0", "25", "49"):
        for flush, label in (("1", "with flush"), ("0", "no flush")):
            action("Save into %s messages, %s" % (count, label), "Save/%s/%s" % (count, flush),
                   "SaveFloor/%s/%s" % (count, flush), flush == "0" and count == "49")
    for count in ("0", "1", "50"):
        action("Viewer load, %s message%s" % (count, "" if count == "1" else "s"), "ViewerLoad/" + count,
               "ViewerLoadFloor/" + count, count == "50")
    for flush, label in (("1", "with flush"), ("0", "no flush")):
        action("Delete 1 of 50, %s" % label, "ViewerDelete/" + flush, "ViewerDeleteFloor/" + flush, flush == "0")
    for flush, label in (("1", "with flush"), ("0", "no flush")):
        action("Export 50 messages, %s" % label, "Export/" + flush, "ExportFloor/" + flush, flush == "0")
    export = ms("Export/0")
    row("Export 50 messages, no flush", "%.3f ms" % export, "python3-xlwt %.3f ms" % xlwt_ms, export / xlwt_ms,
        "< 1", yes(export < xlwt_ms))

    program_ms, program_kib, runs = startup["callpad"]
    minimal_ms, minimal_kib, _ = startup["minimal"]
    label_ms, label_kib, _ = startup["label"]
    row("Start-up until the menu is mapped", "%.1f ms" % program_ms, "empty Qt window %.1f ms" % minimal_ms,
        program_ms / minimal_ms, "≤ 1.2", yes(program_ms / minimal_ms <= 1.2))
    row("Start-up peak memory", "%.1f MiB" % (program_kib / 1024), "empty Qt window %.1f MiB" % (minimal_kib / 1024),
        program_kib / minimal_kib, "≤ 1.2", yes(program_kib / minimal_kib <= 1.2))
    row("Start-up until the menu is mapped", "%.1f ms" % program_ms, "Qt window with a label %.1f ms" % label_ms,
        program_ms / label_ms)
    row("Start-up peak memory", "%.1f MiB" % (program_kib / 1024),
        "Qt window with a label %.1f MiB" % (label_kib / 1024), program_kib / label_kib)

    header = ("Figure", "callpad", "Reference (same run)", "Ratio", "Target", "Met")
    widths = [max(len(r[i]) for r in rows + [header]) for i in range(len(header))]

    def line(cells):
        return "| " + " | ".join(c.ljust(w) for c, w in zip(cells, widths)) + " |"

    print(line(header))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))
    print()
    print("Medians of 5 repetitions of each benchmark and of %d start-up runs of each program under Xvfb. "
          "No flush: the same code on a tmpfs, where the disk costs nothing. Machine: %d CPUs at %.0f MHz." %
          (runs, context.get("num_cpus", 0), context.get("mhz_per_cpu", 0)))


if __name__ == "__main__":
    main()
