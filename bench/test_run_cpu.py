#!/usr/bin/env python3
"""Where the CPU time of a test run goes: by program and by ctest entry.

Runs ctest in a configured and built folder (with ./test.sh's sanitizer
settings) with bench/process_cpu_log.c preloaded into every process, then
splits the run's CPU time among the sanitized test programs, the
fotarel-convert program the road tests start, and the outside tools (qpdf,
poppler-utils, python, the shell), and lists the costliest ctest entries
with their split. A process counts its own CPU time, not its children's.

  bench/test_run_cpu.py [--build build/asan-clang] [--jobs 3] [--top 40] [-- ctest args]
  bench/test_run_cpu.py --log FILE      # the table of an earlier run's log
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
from collections import defaultdict


def kind(exe):
    name = os.path.basename(exe)
    if name.endswith("_tests") or name.endswith("_fuzz_replay"):
        return "sanitized test programs"
    if name == "fotarel-convert":
        return "sanitized fotarel-convert"
    if name.startswith("python"):
        return "python"
    if name in ("dash", "bash", "sh"):
        return "shell"
    return name


def read_log(path):
    processes = {}
    with open(path, errors="replace") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if len(fields) < 6:
                continue
            pid, parent = int(fields[0]), int(fields[1])
            processes[pid] = (parent, float(fields[2]) + float(fields[3]), fields[4], fields[5])
    return processes


def report(path, top):
    processes = read_log(path)
    ctest = {pid for pid, p in processes.items() if os.path.basename(p[2]) == "ctest"}

    def entry(pid):
        # The process ctest started: the test program, or the tool of an
        # entry that runs a tool directly.
        for _ in range(64):
            parent = processes[pid][0]
            if parent in ctest or parent not in processes:
                break
            pid = parent
        exe, args = processes[pid][2], processes[pid][3]
        if "--gtest_list_tests" in args:
            return "(listing the suites) " + os.path.basename(exe)
        match = re.search(r"--gtest_filter=(\S+)", args)
        return os.path.basename(exe) + " " + (match.group(1) if match else args.split(" ", 1)[-1][:50])

    by_kind = defaultdict(float)
    starts = defaultdict(int)
    by_entry = defaultdict(lambda: defaultdict(float))
    for pid, (_, cpu, exe, _) in processes.items():
        if pid in ctest:
            by_kind["ctest"] += cpu
            starts["ctest"] += 1
            continue
        by_kind[kind(exe)] += cpu
        starts[kind(exe)] += 1
        by_entry[entry(pid)][kind(exe)] += cpu
    total = sum(by_kind.values())
    print(f"{'CPU s':>8} {'share':>6} {'starts':>7}  program")
    for name, cpu in sorted(by_kind.items(), key=lambda x: -x[1]):
        if cpu >= 0.05:
            print(f"{cpu:8.1f} {cpu / total:6.1%} {starts[name]:7d}  {name}")
    print(f"{total:8.1f}                 all processes that exited normally\n")
    print(f"{'CPU s':>8}  ctest entry (its costliest programs)")
    for name, kinds in sorted(by_entry.items(), key=lambda x: -sum(x[1].values()))[:top]:
        split = ", ".join(f"{k} {v:.1f}" for k, v in sorted(kinds.items(), key=lambda x: -x[1])[:4])
        print(f"{sum(kinds.values()):8.1f}  {name[:60]}: {split}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build/asan-clang")
    parser.add_argument("--jobs", type=int, default=3)
    parser.add_argument("--top", type=int, default=40)
    parser.add_argument("--log", help="report an earlier run's log instead of running")
    parser.add_argument("ctest_args", nargs="*")
    args = parser.parse_args()
    if args.log:
        report(args.log, args.top)
        return
    work = tempfile.mkdtemp(prefix="vn_test_run_cpu.")
    shim = os.path.join(work, "process_cpu_log.so")
    here = os.path.dirname(os.path.abspath(__file__))
    subprocess.check_call(["cc", "-O2", "-shared", "-fPIC", "-o", shim,
                           os.path.join(here, "process_cpu_log.c")])
    log = os.path.join(work, "processes.tsv")
    env = dict(os.environ, LD_PRELOAD=shim, VN_PROCESS_CPU_LOG=log,
               ASAN_OPTIONS="detect_leaks=1:abort_on_error=0",
               UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1", QT_QPA_PLATFORM="offscreen")
    code = subprocess.call(["ctest", "--test-dir", args.build, "-j", str(args.jobs)] + args.ctest_args,
                           env=env, stdout=subprocess.DEVNULL)
    print(f"ctest exit {code}; log kept in {log}", file=sys.stderr)
    report(log, args.top)


if __name__ == "__main__":
    main()
