#!/usr/bin/env python3
"""Runs kxbench and prints every road against its floor.

For each road: CPU time at 1,000, 10,000 and 100,000 rules (the least of the repetitions, which
is the figure least disturbed by other work on the machine), its ratio to its floor at 100,000
rules (libxml2 parsing the same file and saving it again; for the rule-set commands of kxrule,
loading both files as they load them; measured in the same run), and its growth from 10,000 to
100,000 rules (10.0 is linear). Then the memory of a 100,000-rule load against libxml2's document
of the same file, and the checksums. Exits with 1 when a goal is
missed or a road's checksum differs from the proven one.

    bench/report.py [--kxbench build/bench/bench/kxbench] [--repetitions 5] [--json-out run.json]
    bench/report.py --json-in run.json     # the table of an earlier run
    bench/report.py --instructions         # the same ratios in instructions, under valgrind (slow)
    bench/report.py --instructions RuleSetDiff RuleSetCheck   # ... of these roads only

Instruction counts do not depend on what else the machine runs; time does, and on a shared
machine it also shows how the memory system copes with 100,000 rules. Both are worth reading.
"""
import argparse
import json
import os
import subprocess
import sys

SIZES = (1000, 10000, 100000)
LOAD_SAVE = ("LoadCurrent", "LoadOlder", "LoadOldFormat", "Save")
ROAD_ORDER = ["LoadCurrent", "LoadOlder", "LoadOldFormat", "Save", "GetItemRules", "SetItemRules", "GridByComponent",
              "GridByItem", "ShowRuleText", "FenLeiWrite", "FenLeiColdRead", "SysRuleLoad", "RuleSetDiff",
              "RuleSetCheck"]
# The floor each road is held against: its benchmark's name without the size.
FLOOR_OF = {"FenLeiWrite": "FenLeiFile/Save", "FenLeiColdRead": "FenLeiFile/Save", "SysRuleLoad": "Templates/Save",
            "RuleSetDiff": "RuleSetLoad", "RuleSetCheck": "RuleSetLoad"}
DEFAULT_FLOOR = "RuleFile/Save"
FLOORS = ("RuleFile/Save", "FenLeiFile/Save", "Templates/Save", "RuleSetLoad")
RULE_SET_ROADS = ("RuleSetDiff", "RuleSetCheck")
MAX_FLOOR_RATIO = 1.5
# A command's work on two loaded files, within this many times the loading of them.
MAX_COMMAND_RATIO = 2.0
GOAL_OF = {**{road: MAX_FLOOR_RATIO for road in LOAD_SAVE}, **{road: MAX_COMMAND_RATIO for road in RULE_SET_ROADS}}
MAX_GROWTH = 12.0
MAX_MEMORY_RATIO = 2.5


def run(kxbench, repetitions):
    # Repetitions interleaved at random, so that a stretch of heavy load on a shared machine falls
    # on roads and floors alike instead of on whichever ran then.
    cmd = [kxbench, "--benchmark_filter=^(Road|Floor|Memory)/", "--benchmark_format=json",
           f"--benchmark_repetitions={repetitions}",
           "--benchmark_enable_random_interleaving=true"]
    print("running:", " ".join(cmd), file=sys.stderr, flush=True)
    out = subprocess.run(cmd, check=True, stdout=subprocess.PIPE, text=True).stdout
    return json.loads(out)


def count_instructions(kxbench, name, toggle):
    """Instructions of one timed iteration of benchmark `name`, counted by callgrind."""
    cmd = ["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null", f"--toggle-collect={toggle}",
           kxbench, f"--benchmark_filter=^{name}/", "--benchmark_format=json"]
    done = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    collected = [line for line in done.stderr.splitlines() if "Collected :" in line]
    runs = json.loads(done.stdout)["benchmarks"] if done.returncode == 0 else []
    if not collected or not runs:
        return None
    return int(collected[-1].split(":")[-1]) / runs[0]["iterations"]


def toggle_of(name):
    """The function that holds one timed iteration of benchmark `name` (a road or a floor)."""
    if name == "RuleSetLoad" or name in RULE_SET_ROADS:
        return "*RuleSetOnce*"
    return "*FloorOnce*" if "/" in name else "kxbench::RoadRunner::Run()"


def instructions(kxbench, roads):
    roads = roads or ROAD_ORDER
    print("instructions per run, counted by callgrind (millions):")
    print(f"{'road':<17}{'10k':>10}{'100k':>10}  {'x floor':>8}{'growth':>8}")
    floors = {}
    for file in FLOORS:
        if file not in (FLOOR_OF.get(road, DEFAULT_FLOOR) for road in roads):
            continue
        floors[file] = [count_instructions(kxbench, f"Floor/{file}/{n}", toggle_of(file)) for n in (10000, 100000)]
        t = floors[file]
        growth = t[1] / t[0] if t[1] and t[0] else None
        print(f"{'floor ' + file.split('/')[0]:<17}{fmt(t[0] and t[0] / 1e6, 10)}{fmt(t[1] and t[1] / 1e6, 10)}"
              f"  {'':>8}{fmt(growth, 8)}", flush=True)
    for road in roads:
        t = [count_instructions(kxbench, f"Road/{road}/{n}", toggle_of(road)) for n in (10000, 100000)]
        floor = floors[FLOOR_OF.get(road, DEFAULT_FLOOR)][1]
        ratio = t[1] / floor if t[1] and floor else None
        growth = t[1] / t[0] if t[1] and t[0] else None
        print(f"{road:<17}{fmt(t[0] and t[0] / 1e6, 10)}{fmt(t[1] and t[1] / 1e6, 10)}  {fmt(ratio, 8, 2)}"
              f"{fmt(growth, 8)}", flush=True)
    return 0


def collect(data):
    """name -> {"cpu_ms": least CPU time, "label", "error", counters...} over the repetitions."""
    runs = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate":
            continue
        name = "/".join(p for p in b.get("run_name", b["name"]).split("/")
                        if not p.startswith(("iterations:", "repeats:")))
        entry = runs.setdefault(name, {"cpu_ms": None})
        if b.get("error_occurred"):
            entry["error"] = b.get("error_message", "error")
            continue
        ms = b["cpu_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
        if entry["cpu_ms"] is None or ms < entry["cpu_ms"]:
            entry["cpu_ms"] = ms
        for key in ("label", "peak_kb", "kept_kb", "bytes", "doc_rules"):
            if key in b:
                entry[key] = b[key]
    return runs


def cpu(runs, name):
    entry = runs.get(name)
    return entry["cpu_ms"] if entry else None


def fmt(x, width=9, digits=1):
    return f"{x:{width}.{digits}f}" if x is not None else " " * (width - 1) + "-"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--kxbench", default=os.path.join(here, "..", "build", "bench", "bench", "kxbench"))
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("--json-out")
    parser.add_argument("--json-in")
    parser.add_argument("--instructions", nargs="*", metavar="ROAD",
                        help="count instructions, of these roads only if any are named")
    args = parser.parse_args()
    if args.instructions is not None:
        unknown = set(args.instructions) - set(ROAD_ORDER)
        if unknown:
            parser.error("no such road: " + ", ".join(sorted(unknown)))
        return instructions(args.kxbench, args.instructions)

    if args.json_in:
        with open(args.json_in) as f:
            data = json.load(f)
    else:
        data = run(args.kxbench, args.repetitions)
        if args.json_out:
            with open(args.json_out, "w") as f:
                json.dump(data, f, indent=1)
    runs = collect(data)
    missed = []

    # In the order the host takes them, whatever order an interleaved run gave.
    roads = [r for r in ROAD_ORDER if any(n.startswith(f"Road/{r}/") for n in runs)]
    roads += sorted({n.split("/")[1] for n in runs if n.startswith("Road/")} - set(roads))

    print(f"CPU time in ms, least of {max(b.get('repetitions', 1) for b in data['benchmarks'])} repetitions; "
          f"floor = libxml2 parse + save of the same file, for the rule-set commands loading both files "
          f"({data['context'].get('host_name', '')}, "
          f"{data['context'].get('num_cpus', '?')} CPUs, load {data['context'].get('load_avg', ['?'])[0]})")
    print()
    header = f"{'road':<17}{'1k':>9}{'10k':>9}{'100k':>9}  {'floor@100k':>10}{'x floor':>9}{'growth':>8}  goal"
    print(header)
    print("-" * len(header))
    for road in roads:
        t = [cpu(runs, f"Road/{road}/{n}") for n in SIZES]
        floor = cpu(runs, f"Floor/{FLOOR_OF.get(road, DEFAULT_FLOOR)}/100000")
        ratio = t[2] / floor if t[2] and floor else None
        growth = t[2] / t[1] if t[2] and t[1] else None
        notes = []
        if road in GOAL_OF:
            ok = ratio is not None and ratio <= GOAL_OF[road]
            notes.append(f"x floor <= {GOAL_OF[road]}: {'ok' if ok else 'MISSED'}")
            if not ok:
                missed.append(f"{road}: {ratio and round(ratio, 2)} x floor")
        ok = growth is not None and growth <= MAX_GROWTH
        notes.append(f"growth <= {MAX_GROWTH:.0f}: {'ok' if ok else 'MISSED'}")
        if not ok:
            missed.append(f"{road}: growth {growth and round(growth, 1)}")
        print(f"{road:<17}{fmt(t[0])}{fmt(t[1])}{fmt(t[2])}  {fmt(floor, 10)}{fmt(ratio, 9, 2)}{fmt(growth, 8)}  "
              + ", ".join(notes))

    print()
    print("floors (the same file each road is held against):")
    for file in ("RuleFile", "FenLeiFile", "Templates"):
        for way in ("Save", "Serialize", "Raw"):
            t = [cpu(runs, f"Floor/{file}/{way}/{n}") for n in SIZES]
            growth = t[2] / t[1] if t[2] and t[1] else None
            print(f"  {file + '/' + way:<22}{fmt(t[0])}{fmt(t[1])}{fmt(t[2])}   growth {fmt(growth, 5)}")
        wrapper, raw = cpu(runs, f"Floor/{file}/Serialize/100000"), cpu(runs, f"Floor/{file}/Raw/100000")
        if wrapper and raw:
            print(f"  {'':<22}our wrapper in memory / libxml2's own calls at 100k: {wrapper / raw:.2f}")
    t = [cpu(runs, f"Floor/RuleSetLoad/{n}") for n in SIZES]
    if any(t):
        growth = t[2] / t[1] if t[2] and t[1] else None
        print(f"  {'RuleSetLoad (2 files)':<22}{fmt(t[0])}{fmt(t[1])}{fmt(t[2])}   growth {fmt(growth, 5)}")

    print()
    print("memory of one load, heap counted in a fresh process (MB):")
    for n in (10000, 100000):
        doc = runs.get(f"Memory/LibXml2Doc/{n}", {})
        doc_kept = doc.get("kept_kb")
        if doc_kept:
            print(f"  {n:>6} rules: libxml2's document {doc_kept / 1024:7.1f} (peak while parsing "
                  f"{doc.get('peak_kb', 0) / 1024:.1f})")
        for kind in ("LoadCurrent", "LoadOlder", "LoadOldFormat"):
            m = runs.get(f"Memory/{kind}/{n}", {})
            if "peak_kb" not in m or not doc_kept:
                if "error" in m:
                    missed.append(f"Memory/{kind}/{n}: {m['error']}")
                continue
            ratio = m["peak_kb"] / doc_kept
            goal = ""
            if n == 100000:
                ok = ratio <= MAX_MEMORY_RATIO
                goal = f"  peak / document <= {MAX_MEMORY_RATIO}: {'ok' if ok else 'MISSED'}"
                if not ok:
                    missed.append(f"{kind}: memory {ratio:.2f} x document")
            print(f"  {'':>6}        {kind:<14} peak {m['peak_kb'] / 1024:7.1f}, kept {m['kept_kb'] / 1024:7.1f},"
                  f" peak / document {ratio:5.2f}{goal}")

    print()
    print("checksums (the 1,000-rule ones must equal the pinned values):")
    for road in roads:
        labels = []
        for n in SIZES:
            entry = runs.get(f"Road/{road}/{n}", {})
            if "error" in entry:
                labels.append("ERROR: " + entry["error"])
                missed.append(f"{road}/{n}: {entry['error']}")
            else:
                labels.append(entry.get("label", "-"))
        print(f"  {road:<17}" + "  ".join(labels))

    if missed:
        print()
        print("MISSED:", "; ".join(missed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
