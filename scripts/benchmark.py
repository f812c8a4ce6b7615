#!/usr/bin/env python3
"""Start-up time and peak memory of ambrix and cendrel beside a bare Qt window.

Each program variant prints "shown" once its start window has been painted
and "peak_kib N" after every screen has been opened once (cendrel: with the
converter's clock ticking). The time is taken from just before the process is
started to the "shown" line; the median of several runs is printed.
"""
import os
import statistics
import subprocess
import sys
import time

RUNS = int(os.environ.get("BENCH_RUNS", "15"))
BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"


def run_once(binary):
    start = time.perf_counter()
    proc = subprocess.Popen([binary], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    shown = None
    peak = None
    for line in proc.stdout:
        if line.startswith("shown") and shown is None:
            shown = time.perf_counter() - start
        elif line.startswith("peak_kib"):
            peak = int(line.split()[1])
    proc.wait(timeout=60)
    if shown is None or peak is None:
        raise SystemExit(f"{binary} did not report (exit {proc.returncode})")
    return shown, peak


def measure(name):
    binary = os.path.join(BUILD, "tools", name)
    run_once(binary)  # warm the file cache
    times, peaks = [], []
    for _ in range(RUNS):
        t, p = run_once(binary)
        times.append(t)
        peaks.append(p)
    return statistics.median(times), statistics.median(peaks)


def main():
    bare_t, bare_m = measure("bench_bare")
    print(f"{'program':<14} {'start to shown (ms)':>20} {'x bare':>7} {'peak RSS (MiB)':>15} {'x bare':>7}")
    print(f"{'bare Qt':<14} {bare_t * 1000:>20.1f} {1:>7.2f} {bare_m / 1024:>15.1f} {1:>7.2f}")
    for label, name in (("ambrix", "bench_ambrix"), ("cendrel", "bench_cendrel"),
                        ("bare + 中文", "bench_bare_text")):
        t, m = measure(name)
        print(f"{label:<14} {t * 1000:>20.1f} {t / bare_t:>7.2f} {m / 1024:>15.1f} {m / bare_m:>7.2f}")
    print(f"(median of {RUNS} runs each; goal: within 1.25x of the bare window;")
    print(" 'bare + 中文' is the bare window with one line of Chinese text, for comparison)")


if __name__ == "__main__":
    main()
