#!/usr/bin/env python3
"""Start-up time and idle CPU use of Moyuta, under a real X server (Xvfb).

Start-up: runs build/bin/moyuta-startup-bench in its two modes, alternating
(bare, moyuta, bare, ...). Each run gets a fresh TMPDIR (the single-copy lock
lives there) and a fresh program folder. The time of a run is from just before
the process is started to the first paint event of its top-level window, which
the program prints (CLOCK_MONOTONIC, like time.monotonic_ns here). Prints both
medians, every sample and the ratio moyuta/bare.

Idle: starts the real build/bin/moyuta, copied into a fresh folder, waits for
start-up, then counts the CPU ticks it uses while nobody touches it, and ends
it with SIGTERM (it saves AppData.dat and exits with 0).

    python3 bench/startup.py [--runs N] [--only startup|idle] [--phases N]

--phases N: instead, N runs of the `phases` mode, and the median time of each
step of start-up (to find what start-up spends its time on).

Exits with 1 when the ratio or the idle ticks are over their limits, 2 when a
run fails. Installs Xvfb with apt-get when it is missing.
"""

import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
RATIO_LIMIT = 1.5
IDLE_TICKS_LIMIT = 1  # one tick of rounding is still "no CPU"


def ensure_xvfb():
    if shutil.which("Xvfb"):
        return
    print("Installing: xvfb", flush=True)
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(sudo + ["apt-get", "update", "-qq"], check=True, env=env)
    subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends", "xvfb"],
                   check=True, env=env)


def start_xvfb():
    """Starts Xvfb on a free display; returns (process, ':N')."""
    ensure_xvfb()
    read_fd, write_fd = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1920x1080x24",
         "-nolisten", "tcp", "-noreset"],
        pass_fds=[write_fd], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    number = b""
    with os.fdopen(read_fd, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                server.kill()
                sys.exit("Xvfb did not start")
            number += chunk
    return server, ":" + number.decode().strip()


class FreshPlace:
    """A temporary folder holding a fresh TMPDIR, runtime folder and program folder."""

    def __enter__(self):
        self.root = Path(tempfile.mkdtemp(prefix="moyuta-bench-"))
        self.tmp = self.root / "tmp"
        self.runtime = self.root / "runtime"
        self.folder = self.root / "program"
        for p in (self.tmp, self.runtime, self.folder):
            p.mkdir(mode=0o700)
        return self

    def env(self, display):
        env = dict(os.environ)
        for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY"):
            env.pop(name, None)  # the xcb platform, on the X server below
        env.update(DISPLAY=display, TMPDIR=str(self.tmp), XDG_RUNTIME_DIR=str(self.runtime))
        return env

    def __exit__(self, *exc):
        shutil.rmtree(self.root, ignore_errors=True)


def one_run(binary, mode, display):
    """Milliseconds from just before the start to the first paint."""
    with FreshPlace() as place:
        args = [str(binary), mode] + ([str(place.folder)] if mode == "moyuta" else [])
        env = place.env(display)
        t0 = time.monotonic_ns()
        proc = subprocess.Popen(args, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            out, err = proc.communicate(timeout=60)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.communicate()
            sys.exit(f"{mode}: no paint within 60 s")
        lines = out.decode().split()
        if proc.returncode != 0 or not lines:
            sys.exit(f"{mode}: exit {proc.returncode}, output {out!r}, errors {err.decode()!r}")
        if any(place.folder.iterdir()):
            sys.exit(f"{mode}: the program folder is not empty: the run saved something")
        return (int(lines[0]) - t0) / 1e6


def startup(display, runs, warmup):
    binary = ROOT / "build" / "bin" / "moyuta-startup-bench"
    if not binary.exists():
        sys.exit(f"{binary} is missing: build first (./setup.sh)")
    samples = {"bare": [], "moyuta": []}
    for i in range(warmup + runs):
        for mode in ("bare", "moyuta"):
            ms = one_run(binary, mode, display)
            if i >= warmup:
                samples[mode].append(ms)
    bare = statistics.median(samples["bare"])
    moyuta = statistics.median(samples["moyuta"])
    ratio = moyuta / bare
    print(f"== start-up to first paint ({runs} runs of each, alternating; "
          f"{warmup} warm-up pair not counted)")
    for mode in ("bare", "moyuta"):
        values = " ".join(f"{v:.1f}" for v in samples[mode])
        print(f"{mode:7} median {statistics.median(samples[mode]):7.1f} ms   "
              f"min {min(samples[mode]):.1f}  max {max(samples[mode]):.1f}   samples: {values}")
    verdict = "ok" if ratio <= RATIO_LIMIT else "OVER"
    print(f"ratio moyuta/bare: {ratio:.2f}  (limit {RATIO_LIMIT}: {verdict})")
    return ratio <= RATIO_LIMIT


def phases(display, runs):
    binary = ROOT / "build" / "bin" / "moyuta-startup-bench"
    if not binary.exists():
        sys.exit(f"{binary} is missing: build first (./setup.sh)")
    steps = {}  # step -> times in ms, in the order first seen
    notes = set()
    for _ in range(runs):
        with FreshPlace() as place:
            t0 = time.monotonic_ns()
            done = subprocess.run([str(binary), "phases", str(place.folder)], env=place.env(display),
                                  capture_output=True, timeout=60)
            if done.returncode != 0:
                sys.exit(f"phases: exit {done.returncode}: {done.stderr.decode()!r}")
            paint = int(done.stdout.split()[0])
            for line in done.stderr.decode().splitlines():
                if line.startswith("main() entered at "):
                    steps.setdefault("process start to main()", []).append(
                        (int(line.rsplit(None, 1)[1]) - t0) / 1e6)
                elif "ms" in line and line.split()[1] == "ms":
                    parts = line.split(None, 4)
                    steps.setdefault(parts[4], []).append(float(parts[2]))
                elif line.strip().startswith("("):
                    notes.add(line.strip())
            steps.setdefault("total: process start to first paint", []).append((paint - t0) / 1e6)
    print(f"== start-up step by step (median of {runs} runs of the phases mode)")
    for step, values in steps.items():
        print(f"{statistics.median(values):8.1f} ms  {step}")
    for note in sorted(notes):
        print(" ", note)


def cpu_ticks(pid):
    """utime + stime of the whole process, in clock ticks."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # After the command: state is field 3, utime 14 and stime 15 of stat(5).
    return int(fields[11]) + int(fields[12])


def idle(display, settle, span):
    binary = ROOT / "build" / "bin" / "moyuta"
    if not binary.exists():
        sys.exit(f"{binary} is missing: build first (./setup.sh)")
    hz = os.sysconf("SC_CLK_TCK")
    with FreshPlace() as place:
        copy = place.folder / "moyuta"
        shutil.copy2(binary, copy)
        proc = subprocess.Popen([str(copy)], env=place.env(display), cwd=place.folder,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        time.sleep(settle)
        if proc.poll() is not None:
            sys.exit(f"moyuta ended during start-up with {proc.returncode}: {proc.stdout.read()!r}")
        start_ticks = cpu_ticks(proc.pid)
        time.sleep(span)
        if proc.poll() is not None:
            sys.exit(f"moyuta ended while idle with {proc.returncode}")
        end_ticks = cpu_ticks(proc.pid)
        proc.send_signal(signal.SIGTERM)
        try:
            out, _ = proc.communicate(timeout=20)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.communicate()
            sys.exit("moyuta did not end within 20 s of SIGTERM")
        saved = (place.folder / "AppData.dat").exists()
        used = end_ticks - start_ticks
        print(f"== idle CPU ({settle:g} s for start-up, then {span:g} s idle; {hz} ticks a second)")
        print(f"start-up used {start_ticks} ticks; idle used {used} ticks "
              f"({used * 1000 / hz:.0f} ms of CPU)  (limit {IDLE_TICKS_LIMIT}: "
              f"{'ok' if used <= IDLE_TICKS_LIMIT else 'OVER'})")
        print(f"SIGTERM: exit {proc.returncode}, AppData.dat saved: {'yes' if saved else 'no'}")
        if out.strip():
            print("its output:", out.decode().strip())
        if proc.returncode != 0 or not saved:
            sys.exit(2)
        return used <= IDLE_TICKS_LIMIT


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=10, help="runs of each mode (10)")
    parser.add_argument("--warmup", type=int, default=1, help="pairs run first and not counted (1)")
    parser.add_argument("--only", choices=("startup", "idle"), help="one section only")
    parser.add_argument("--settle", type=float, default=3, help="seconds for start-up (3)")
    parser.add_argument("--idle", type=float, default=10, help="seconds of idle to measure (10)")
    parser.add_argument("--phases", type=int, metavar="N", help="only the step-by-step times, N runs")
    args = parser.parse_args()

    server, display = start_xvfb()
    try:
        if args.phases:
            phases(display, args.phases)
            return 0
        ok = True
        if args.only in (None, "startup"):
            ok &= startup(display, args.runs, args.warmup)
        if args.only in (None, "idle"):
            ok &= idle(display, args.settle, args.idle)
    finally:
        server.terminate()
        server.wait()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
