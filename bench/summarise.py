#!/usr/bin/env python3
"""Reads the benchmarks' JSON results and prints every figure with the target it is held to:
our share of the waits at each size and how it grows, the log count against its baseline, the
registry calls per key deleted and the directory removal's time per object."""
import json
import statistics
import sys
from collections import defaultdict


def load(paths):
    runs = defaultdict(list)
    context = None
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        context = context or data.get("context", {})
        for b in data["benchmarks"]:
            if b.get("run_type") == "aggregate" or b.get("error_occurred"):
                if b.get("error_occurred"):
                    print(f"figure: FAILED {b['name']}: {b.get('error_message')}")
                continue
            runs[b["run_name"]].append(b)
    return runs, context


def median(runs, key):
    return statistics.median(r[key] for r in runs)


def arg(name, label):
    for part in name.split("/"):
        if part.startswith(label + ":"):
            return int(part.split(":")[1])
    return None


def verdict(ok):
    return "met" if ok else "MISSED"


def whole_runs(runs):
    rows = sorted((k for k in runs if k.startswith("WholeUninstall/")),
                  key=lambda k: (arg(k, "files"), arg(k, "keys"), arg(k, "subscribers")))
    if not rows:
        return
    print("figure: whole uninstall on the simulated server (median of the repetitions)")
    print("figure:   files    keys  subscr.  virtual s  host ms  sql ms  own ms  own % of waits")
    worst = 0.0
    own_by_size = {}
    virtual_by_size = {}
    for k in rows:
        r = runs[k]
        host, sql = median(r, "host_ms"), median(r, "sql_ms")
        own_pct = median(r, "own_pct")
        worst = max(worst, own_pct)
        size = (arg(k, "files"), arg(k, "keys"), arg(k, "subscribers"))
        own_by_size[size] = host - sql
        virtual_by_size[size] = 1000.0 * median(r, "virtual_s")
        print(f"figure: {size[0]:7d} {size[1]:7d} {size[2]:8d} {median(r, 'virtual_s'):10.1f}"
              f" {host:8.1f} {sql:7.1f} {host - sql:7.1f} {own_pct:10.4f} %  (n={len(r)})")
    print(f"figure: our own time at most {worst:.4f} % of the waits: target < 1 %: "
          f"{verdict(worst < 1.0)}")
    growth("own time", own_by_size, "us", 1000.0)
    growth("waits", virtual_by_size, "ms", 1.0)


def growth(what, ms_by_size, unit, scale):
    """Milliseconds added per item between the smallest and each larger size of one dimension,
    shown in the unit given (scale: the unit's count in a millisecond)."""
    base = min(ms_by_size)
    for dim, name in ((0, "file"), (1, "registry key"), (2, "subscriber")):
        sizes = sorted(s for s in ms_by_size
                       if all(s[i] == base[i] for i in range(3) if i != dim) and s != base)
        per_item = []
        for s in sizes:
            added = s[dim] - base[dim]
            per_item.append((s[dim], scale * (ms_by_size[s] - ms_by_size[base]) / added))
        if per_item:
            text = ", ".join(f"to {n:,}: {v:.2f} {unit}" for n, v in per_item)
            print(f"figure: {what} per added {name} (linear when these agree): {text}")


def log_count(runs):
    split = runs.get("SplitLogIntoLines/iterations:2")
    count = runs.get("CountLogProblems/iterations:2")
    if not (split and count):
        return
    s, c = median(split, "real_time"), median(count, "real_time")
    ratios = [a["real_time"] / b["real_time"] for a, b in zip(count, split)]
    print(f"figure: 100 MB log ({int(count[0]['lines']):,} lines): split {s:.0f} ms, "
          f"CountLogProblems {c:.0f} ms, ratio {c / s:.2f} (per repetition: "
          f"{', '.join(f'{x:.2f}' for x in ratios)}): target <= 2: {verdict(c / s <= 2.0)}")


def reg_tree(runs):
    rows = [k for k in runs if k.startswith("DeleteRegKeyTree/")]
    if not rows:
        return
    print("figure: DeleteRegKeyTree (2 values per key)")
    print("figure:   depth  width     keys  calls/key  opens/key  host us/key")
    worst = 0.0
    for k in sorted(rows, key=lambda k: (arg(k, "width"), arg(k, "depth"))):
        r = runs[k]
        calls = median(r, "calls_per_key")
        worst = max(worst, calls)
        print(f"figure: {arg(k, 'depth'):7d} {arg(k, 'width'):6d} {int(r[0]['keys']):8d}"
              f" {calls:10.2f} {median(r, 'opens_per_key'):10.2f}"
              f" {median(r, 'host_us_per_key'):12.2f}")
    print(f"figure: at most {worst:.2f} registry calls per key, whatever the depth and width: "
          f"target a small constant: {verdict(worst <= 20)}")


def directory(runs):
    rows = sorted((k for k in runs if k.startswith("RemoveDirectoryData/")),
                  key=lambda k: arg(k, "subscribers"))
    for k in rows:
        r = runs[k]
        print(f"figure: RemoveDirectoryData, {arg(k, 'subscribers'):,} subscribers "
              f"({int(r[0]['objects']):,} objects): own {median(r, 'own_us_per_object'):.1f} us"
              f" per object (with the SQL Server {median(r, 'host_us_per_object'):.1f} us), "
              f"waits {median(r, 'virtual_s_per_object'):.3f} s per object, own "
              f"{median(r, 'own_pct'):.4f} % of the waits")


def main():
    runs, context = load(sys.argv[1:])
    print(f"figure: machine: {context.get('num_cpus')} CPUs at {context.get('mhz_per_cpu')} MHz, "
          f"load average {', '.join(f'{x:.2f}' for x in context.get('load_avg', []))} "
          f"at {context.get('date')}")
    whole_runs(runs)
    log_count(runs)
    reg_tree(runs)
    directory(runs)


if __name__ == "__main__":
    main()
