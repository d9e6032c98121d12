#!/usr/bin/env python3
"""Checks the figures scripts/bench prints from the benchmarks' results: the verdicts against
each target, the growth per item, and that a failed benchmark is shown rather than dropped."""
import json
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))


def whole(files, keys, subs, host_ms, sql_ms, virtual_s):
    name = (f"WholeUninstall/files:{files}/keys:{keys}/subscribers:{subs}"
            "/iterations:1/manual_time")
    own = host_ms - sql_ms
    return {"name": name, "run_name": name, "run_type": "iteration", "host_ms": host_ms,
            "sql_ms": sql_ms, "virtual_s": virtual_s,
            "own_pct": 100.0 * own / 1000.0 / virtual_s}


def timed(name, ms, **counters):
    return dict(name=name, run_name=name, run_type="iteration", real_time=ms, **counters)


def tree(depth, width, calls):
    name = f"DeleteRegKeyTree/depth:{depth}/width:{width}/manual_time"
    return dict(name=name, run_name=name, run_type="iteration", keys=width ** depth,
                calls_per_key=calls, opens_per_key=4.0, host_us_per_key=9.0)


def summarise(*benchmarks):
    with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False) as f:
        json.dump({"context": {"num_cpus": 2, "mhz_per_cpu": 2600, "load_avg": [1.0]},
                   "benchmarks": list(benchmarks)}, f)
    try:
        out = subprocess.run([sys.executable, os.path.join(HERE, "summarise.py"), f.name],
                             check=True, capture_output=True, text=True).stdout
    finally:
        os.unlink(f.name)
    return out.splitlines()


def line_with(lines, text):
    found = [line for line in lines if text in line]
    assert found, f"no line with {text!r} in:\n" + "\n".join(lines)
    return found[0]


class WholeRuns(unittest.TestCase):
    def test_own_time_under_one_percent_at_every_size_is_met(self):
        lines = summarise(whole(100, 1000, 10, 21.0, 1.0, 70.0),
                          whole(10000, 1000, 10, 31.0, 1.0, 70.0))
        self.assertIn("target < 1 %: met", line_with(lines, "our own time at most"))

    def test_one_size_over_one_percent_misses_the_target(self):
        lines = summarise(whole(100, 1000, 10, 21.0, 1.0, 70.0),
                          whole(100, 100000, 10, 800.0, 1.0, 70.0))
        self.assertIn("at most 1.1414 %", line_with(lines, "our own time at most"))
        self.assertIn("MISSED", line_with(lines, "our own time at most"))

    def test_sql_server_time_is_not_counted_as_ours(self):
        lines = summarise(whole(100, 1000, 10, 21.0, 1.0, 70.0),
                          whole(100, 1000, 10000, 5000.0, 4990.0, 20000.0))
        self.assertIn("met", line_with(lines, "our own time at most"))
        self.assertIn("   10.0 ", line_with(lines, "   10000 "))

    def test_growth_per_added_item_along_one_dimension(self):
        lines = summarise(whole(100, 1000, 10, 20.0, 0.0, 70.0),
                          whole(10100, 1000, 10, 30.0, 0.0, 70.0),
                          whole(100100, 1000, 10, 120.0, 0.0, 70.0),
                          whole(100100, 100000, 10000, 900.0, 0.0, 70.0))
        self.assertIn("to 10,100: 1.00 us, to 100,100: 1.00 us",
                      line_with(lines, "own time per added file"))
        self.assertIn("to 10,100: 0.00 ms", line_with(lines, "waits per added file"))

    def test_waits_grow_by_the_synchronisation_per_subscriber(self):
        lines = summarise(whole(100, 1000, 10, 20.0, 0.0, 70.0),
                          whole(100, 1000, 1010, 40.0, 10.0, 2070.0))
        self.assertIn("to 1,010: 2000.00 ms", line_with(lines, "waits per added subscriber"))
        self.assertIn("to 1,010: 10.00 us", line_with(lines, "own time per added subscriber"))
        # The row that scales everything is no step along one dimension.
        self.assertNotIn("per added registry key", "\n".join(lines))


class LogCount(unittest.TestCase):
    def runs(self, split_ms, count_ms):
        return (timed("SplitLogIntoLines/iterations:2", split_ms, lines=1000),
                timed("CountLogProblems/iterations:2", count_ms, lines=1000))

    def test_within_twice_the_baseline_is_met(self):
        line = line_with(summarise(*self.runs(500, 900)), "100 MB log")
        self.assertIn("ratio 1.80", line)
        self.assertTrue(line.endswith("target <= 2: met"))

    def test_over_twice_the_baseline_is_missed(self):
        line = line_with(summarise(*self.runs(500, 1200)), "100 MB log")
        self.assertTrue(line.endswith("target <= 2: MISSED"))


class RegistryTree(unittest.TestCase):
    def test_calls_per_key_held_to_a_small_constant(self):
        lines = summarise(tree(100, 1, 18.9), tree(1, 1000, 16.0))
        self.assertIn("at most 18.90 registry calls per key", line_with(lines, "at most"))
        self.assertIn("met", line_with(lines, "at most"))

    def test_calls_growing_past_the_constant_are_missed(self):
        lines = summarise(tree(100, 1, 18.9), tree(1, 1000, 1003.0))
        self.assertIn("MISSED", line_with(lines, "registry calls per key"))


class Failures(unittest.TestCase):
    def test_a_failed_benchmark_is_shown_with_its_message(self):
        failed = timed("CountLogProblems/iterations:2", 0.0, lines=0)
        failed.update(error_occurred=True, error_message="the count does not match")
        lines = summarise(failed)
        self.assertIn("figure: FAILED CountLogProblems/iterations:2: the count does not match",
                      lines)


if __name__ == "__main__":
    unittest.main()
