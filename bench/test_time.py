#!/usr/bin/env python3
"""CPU time of a clean ./test.sh, split by phase.

Measure (default): clones a commit (HEAD unless --rev) into a temporary
folder with shared/ linked beside it as in CI, runs ./test.sh there twice
under /usr/bin/time -v with ccache disabled (--ccache: enabled, so objects of
earlier builds on this machine are reused), and prints the table. The first
run is the measured one (configure, build, tests); the second has nothing to
build, so its CPU time is the test run's, and the first minus the second is
the build's. The build's CPU time is shared among its phases in proportion to
the job seconds of ninja's log (a compiler job's wall time is close to its CPU
time while the machine is not oversubscribed).

Report: --report NINJA_LOG [--time TIME] [--run-time TIME] prints the table
from saved files (the output of /usr/bin/time -v for the first and the
second run); without --run-time only job seconds and shares are known.

  bench/test_time.py [--rev REV] [--keep] [--save DIR]
  bench/test_time.py --report build/asan-clang/.ninja_log --time time.txt
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
from collections import defaultdict

PHASES = [
    ("lib", "compile libraries and programs"),
    ("test", "compile tests"),
    ("fuzz", "compile fuzz replays"),
    ("pch", "precompiled headers"),
    ("link", "link and archive"),
    ("other", "code generators and checks"),
]


def classify(output):
    """The phase of one ninja output, from its path in the build folder."""
    path = "/" + output
    name = os.path.basename(output)
    if name.endswith((".gch", ".pch")):
        return "pch"
    target = re.search(r"/CMakeFiles/([^/]+)\.dir/", path)
    target = target.group(1) if target else ""
    if name.endswith((".o", ".obj")):
        if "/tests/" in path or re.search(r"_tests?$", target):
            return "test"
        if path.startswith("/fuzz/") or "/fuzz/" in path or target.endswith("_fuzz"):
            return "fuzz"
        return "lib"
    if name.endswith((".a", ".so")) or "." not in name:
        if name in ("timestamp",) or "cmake" in name:
            return "other"
        return "link"
    return "other"


def read_ninja_log(path):
    """{phase: [job seconds, jobs]} of one build's log; an edge with several
    outputs is one job."""
    seen = set()
    phases = defaultdict(lambda: [0.0, 0])
    with open(path) as f:
        for line in f:
            if line.startswith("#"):
                continue
            fields = line.rstrip("\n").split("\t")
            if len(fields) < 5:
                continue
            start, end, _, output, command_hash = fields[:5]
            key = (start, end, command_hash)
            if key in seen:
                continue
            seen.add(key)
            phase = classify(output)
            phases[phase][0] += (int(end) - int(start)) / 1000.0
            phases[phase][1] += 1
    return phases


def read_time(path):
    """(CPU seconds, wall text) from the output of /usr/bin/time -v."""
    user = system = 0.0
    wall = "?"
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line.startswith("User time (seconds):"):
                user = float(line.split(":")[1])
            elif line.startswith("System time (seconds):"):
                system = float(line.split(":")[1])
            elif line.startswith("Elapsed (wall clock) time"):
                wall = line.rsplit(" ", 1)[1]
    return user + system, wall


def print_table(phases, total=None, run=None):
    jobs_total = sum(v[0] for v in phases.values())
    build_cpu = total - run if total is not None and run is not None else None
    print(f"{'phase':34} {'jobs':>5} {'job s':>8} {'share':>6} {'CPU s':>8}")
    for key, label in PHASES:
        seconds, count = phases.get(key, (0.0, 0))
        if count == 0:
            continue
        share = seconds / jobs_total if jobs_total else 0
        cpu = f"{build_cpu * share:8.0f}" if build_cpu is not None else f"{'':>8}"
        print(f"{label:34} {count:5d} {seconds:8.0f} {share:6.1%} {cpu}")
    print(f"{'build (all jobs)':34} {'':5} {jobs_total:8.0f} {'':6} "
          + (f"{build_cpu:8.0f}" if build_cpu is not None else ""))
    if run is not None:
        print(f"{'run (tests)':34} {'':5} {'':8} {'':6} {run:8.0f}")
    if total is not None:
        print(f"{'total CPU of ./test.sh':34} {'':5} {'':8} {'':6} {total:8.0f}"
              f"  = {total / 60:.1f} CPU-minutes")


def run_timed(cwd, time_file, log_file, env):
    with open(log_file, "w") as log:
        code = subprocess.call(["/usr/bin/time", "-v", "-o", time_file, "./test.sh"],
                               cwd=cwd, env=env, stdout=log, stderr=subprocess.STDOUT)
    if code != 0:
        sys.exit(f"./test.sh failed (exit {code}); see {log_file}")


def measure(args):
    repo = subprocess.check_output(["git", "rev-parse", "--show-toplevel"], text=True).strip()
    rev = subprocess.check_output(["git", "-C", repo, "rev-parse", args.rev], text=True).strip()
    shared = os.path.join(os.path.dirname(repo), "shared")
    if not os.path.isdir(shared):
        shared = "/work/shared"
    work = tempfile.mkdtemp(prefix="vn_test_time.")
    clone = os.path.join(work, "project")
    subprocess.check_call(["git", "clone", "-q", "--no-checkout", repo, clone])
    subprocess.check_call(["git", "-C", clone, "checkout", "-q", rev])
    if os.path.isdir(shared):
        os.symlink(shared, os.path.join(work, "shared"))
    # By default every object is compiled; with --ccache the clone may reuse
    # objects of earlier builds on this machine, as ./test.sh does.
    env = dict(os.environ) if args.ccache else dict(os.environ, CCACHE_DISABLE="1")
    env.pop("CCACHE_BASEDIR", None)
    print(f"measuring {rev[:10]} in {clone}", file=sys.stderr)
    first = os.path.join(work, "time-first.txt")
    second = os.path.join(work, "time-second.txt")
    run_timed(clone, first, os.path.join(work, "test-first.log"), env)
    run_timed(clone, second, os.path.join(work, "test-second.log"), env)
    ninja_log = os.path.join(clone, "build", "asan-clang", ".ninja_log")
    if args.save:
        os.makedirs(args.save, exist_ok=True)
        for src, dst in ((first, "time-first.txt"), (second, "time-second.txt"),
                         (ninja_log, "ninja_log")):
            shutil.copy(src, os.path.join(args.save, dst))
    total, wall = read_time(first)
    run, run_wall = read_time(second)
    cache = "ccache on" if args.ccache else "ccache disabled"
    print(f"commit {rev[:10]}, {os.cpu_count()} cores, {cache}; "
          f"wall {wall} (tests alone {run_wall})")
    print_table(read_ninja_log(ninja_log), total, run)
    if args.keep:
        print(f"kept {work}", file=sys.stderr)
    else:
        shutil.rmtree(work)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--rev", default="HEAD")
    parser.add_argument("--keep", action="store_true", help="keep the clone")
    parser.add_argument("--save", help="copy the time files and ninja log here")
    parser.add_argument("--ccache", action="store_true",
                        help="let ccache reuse objects of earlier builds on this machine")
    parser.add_argument("--report", metavar="NINJA_LOG")
    parser.add_argument("--time", help="/usr/bin/time -v output of the first run")
    parser.add_argument("--run-time", help="/usr/bin/time -v output of the second run")
    args = parser.parse_args()
    if args.report:
        total = read_time(args.time)[0] if args.time else None
        run = read_time(args.run_time)[0] if args.run_time else None
        print_table(read_ninja_log(args.report), total, run)
    else:
        measure(args)


if __name__ == "__main__":
    main()
