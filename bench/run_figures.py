#!/usr/bin/env python3
"""Runs the benchmarks and the viewer under Xvfb and prints the figures against their targets.

Called by scripts/bench after the Release build: the core and window benchmarks (Google
Benchmark, JSON output), then the viewer itself on a virtual screen with the sample host on
the port the build was made for: start-up to first paint, idle CPU, memory after an update
and memory under 10 000 pointer moves.
"""

import argparse
import json
import os
import signal
import socket
import statistics
import subprocess
import sys
import time

WINDOW_NAME = "^NubivoWeather Viewer$"
TICKS = os.sysconf("SC_CLK_TCK")
# What the probed viewer reports, in order: main entered, application made, window started,
# first paint done.
PHASES = ("main-ns", "application-ns", "started-ns", "first-paint-ns")


def run_benchmark(program, extra, env=None):
    """Runs one benchmark program and returns its JSON report's benchmark entries."""
    out = subprocess.run([program, "--benchmark_format=json"] + extra, check=True,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    return json.loads(out.stdout)["benchmarks"]


def median_entry(entries, prefix):
    """The median aggregate of the run named `prefix`, or its only entry."""
    chosen = [e for e in entries if e["run_name"].startswith(prefix)]
    medians = [e for e in chosen if e.get("aggregate_name") == "median"]
    return (medians or chosen)[0]


def proc_status(pid, field):
    """One field of /proc/PID/status in KiB."""
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


def cpu_seconds(pid):
    """User plus system CPU time of a process, from /proc/PID/stat."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def wait_until_quiet(pid, settle=1.0, limit=15.0):
    """Waits until the process has used no CPU for `settle` seconds (at most `limit`)."""
    end = time.monotonic() + limit
    last = cpu_seconds(pid)
    quiet_since = time.monotonic()
    while time.monotonic() < end:
        time.sleep(0.2)
        now = cpu_seconds(pid)
        if now != last:
            last = now
            quiet_since = time.monotonic()
        elif time.monotonic() - quiet_since >= settle:
            return


def wait_for_port(port, limit=10.0):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        with socket.socket() as probe:
            if probe.connect_ex(("127.0.0.1", port)) == 0:
                return True
        time.sleep(0.05)
    return False


def port_answers(port):
    with socket.socket() as probe:
        return probe.connect_ex(("127.0.0.1", port)) == 0


def free_display():
    number = 91
    while os.path.exists(f"/tmp/.X11-unix/X{number}") or os.path.exists(f"/tmp/.X{number}-lock"):
        number += 1
    return number


def closed_connections(port):
    """Connections to or from `port` that have ended and wait out TIME-WAIT."""
    out = subprocess.run(["ss", "-tanH", "state", "time-wait"], stdout=subprocess.PIPE,
                         text=True, check=False).stdout
    return sum(1 for line in out.splitlines() if f":{port} " in line + " ")


def xdotool(env, *args):
    return subprocess.run(["xdotool"] + [str(a) for a in args], env=env, check=True,
                          stdout=subprocess.PIPE, text=True).stdout


class Started:
    """Processes this script started, ended by their own id when it finishes."""

    def __init__(self):
        self.processes = []

    def start(self, command, **options):
        process = subprocess.Popen(command, **options)
        self.processes.append(process)
        return process

    def stop(self, process):
        if process.poll() is None:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def stop_all(self):
        for process in reversed(self.processes):
            self.stop(process)


def viewer_figures(build, root, port, started):
    """The figures of the running viewer on a virtual screen; a dict of what was measured."""
    figures = {}
    display = free_display()
    xvfb = started.start(["Xvfb", f":{display}", "-screen", "0", "1024x768x24", "-nolisten",
                          "tcp"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    end = time.monotonic() + 10
    while not os.path.exists(f"/tmp/.X11-unix/X{display}") and time.monotonic() < end:
        time.sleep(0.05)
    env = dict(os.environ, DISPLAY=f":{display}")
    env.pop("QT_QPA_PLATFORM", None)
    env.pop("WAYLAND_DISPLAY", None)

    if port_answers(port):
        raise SystemExit(f"bench: something already answers on 127.0.0.1:{port}; "
                         "set NUBIVO_BENCH_PORT to a free port")
    host = started.start([f"{build}/tools/sample_host/nubivo-sample-host", "--port", str(port)],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not wait_for_port(port):
        raise SystemExit("bench: the sample host did not start")

    # Start-up: from just before the process is created to the end of its first paint.
    probe = f"{build}/bench/nubivo-bench-viewer"
    probe_env = dict(env, NUBIVO_BENCH_QUIT_AFTER_PAINT="1")
    phases = {name: [] for name in PHASES}
    for run in range(11):
        start = time.time_ns()
        process = started.start([probe], env=probe_env, cwd=root, stderr=subprocess.PIPE,
                                stdout=subprocess.DEVNULL, text=True)
        seen = {}
        for line in process.stderr:
            name, _, value = line.partition(" ")
            if name in phases:
                seen[name] = (int(value) - start) / 1e6
            if name == "first-paint-ns":
                break
        process.stderr.close()
        started.stop(process)
        if len(seen) == len(PHASES) and run > 0:  # the first run fills the file cache
            for name, at in seen.items():
                phases[name].append(at)
    if phases["first-paint-ns"]:
        figures["startup_ms"] = statistics.median(phases["first-paint-ns"])
        figures["startup_min_ms"] = min(phases["first-paint-ns"])
        figures["startup_phases_ms"] = [statistics.median(phases[name]) for name in PHASES]

    viewer = started.start([f"{build}/ui/nubivo-weather-viewer"], env=env, cwd=root,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window = xdotool(env, "search", "--sync", "--onlyvisible", "--name", WINDOW_NAME).split()[0]
    wait_until_quiet(viewer.pid, settle=0.5)

    # Idle: ten seconds alone.
    before = cpu_seconds(viewer.pid)
    time.sleep(10)
    figures["idle_cpu_s"] = cpu_seconds(viewer.pid) - before
    figures["rss_start_kib"] = proc_status(viewer.pid, "VmRSS")

    # One update: type a place into the location box and press "Update...".
    geometry = xdotool(env, "getwindowgeometry", "--shell", window)
    at = dict(line.split("=") for line in geometry.split())
    left, top = int(at["X"]), int(at["Y"])
    closed_before = closed_connections(port)
    xdotool(env, "mousemove", left + 220, top + 50, "click", "1")
    xdotool(env, "type", "--delay", "20", "Lyon")
    xdotool(env, "mousemove", left + 289, top + 100, "click", "1")
    time.sleep(0.5)
    wait_until_quiet(viewer.pid, settle=1.0)
    time.sleep(0.5)
    figures["update_connections"] = closed_connections(port) - closed_before
    figures["peak_kib"] = proc_status(viewer.pid, "VmHWM")
    figures["rss_after_update_kib"] = proc_status(viewer.pid, "VmRSS")

    # 10 000 pointer moves back and forth over the panels and their tab strips, twice.
    points = []
    for i in range(10000):
        x = 12 + (i * 7) % 336
        y = (158, 278, 200, 400)[i % 4]
        points += ["mousemove", left + x, top + y]
    rss = [proc_status(viewer.pid, "VmRSS")]
    cpu = []
    for _ in range(2):
        used = cpu_seconds(viewer.pid)
        xdotool(env, *points)
        wait_until_quiet(viewer.pid, settle=1.0)
        cpu.append(cpu_seconds(viewer.pid) - used)
        rss.append(proc_status(viewer.pid, "VmRSS"))
    figures["moves_rss_kib"] = rss
    figures["moves_cpu_s"] = cpu
    figures["viewer_alive"] = viewer.poll() is None

    started.stop(viewer)
    started.stop(host)
    started.stop(xvfb)
    return figures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--json", help="write every figure here as JSON")
    options = parser.parse_args()
    build = options.build

    print("bench: the feed scanner and whole updates ...", file=sys.stderr)
    core = run_benchmark(f"{build}/bench/nubivo-bench-core",
                         ["--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true"])
    ui = []
    if os.path.exists(f"{build}/bench/nubivo-bench-ui"):
        print("bench: the window's paint, offscreen ...", file=sys.stderr)
        ui = run_benchmark(f"{build}/bench/nubivo-bench-ui", [],
                           env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))

    viewer = {}
    started = Started()
    try:
        if os.path.exists(f"{build}/ui/nubivo-weather-viewer"):
            print("bench: the viewer under Xvfb ...", file=sys.stderr)
            viewer = viewer_figures(build, options.root, options.port, started)
    finally:
        started.stop_all()

    rows = []

    def row(figure, measured, target, ok):
        rows.append((figure, measured, target, "yes" if ok else "NO" if ok is not None else "-"))

    for size in (4096, 65536):
        entry = median_entry(core, f"scanFeed/{size}")
        rate = entry["bytes_per_second"] / 1e6
        row(f"scanFeed, {size // 1024} KiB feed", f"{rate:.0f} MB/s", ">= 500 MB/s", rate >= 500)

    if ui:
        for tab, name in enumerate(("Wind", "Atmo.", "Astr.", "Cond.", "Forc.")):
            paint = f"paintWindow/tab:{tab}/scaleEveryPaint"
            cached = median_entry(ui, f"{paint}:0/ratio:1")["real_time"]
            scaled = median_entry(ui, f"{paint}:1/ratio:1")["real_time"]
            double = median_entry(ui, f"{paint}:0/ratio:2")["real_time"]
            row(f"full repaint, {name} tab", f"{cached:.0f} us", "median <= 250 us", cached <= 250)
            row(f"  same, map scaled each paint", f"{scaled:.0f} us", "reported", None)
            row(f"  same, scale 2 (720 x 1140)", f"{double:.0f} us ({double / cached:.2f} x)",
                "<= 2.5 x scale 1", double <= 2.5 * cached)
        moves = median_entry(ui, "mouseMoves")
        row(f"RSS before/after 10k/after 20k moves, in-process",
            f"{moves['rssBeforeKiB'] / 1024:.1f}/{moves['rssAfterKiB'] / 1024:.1f}/"
            f"{moves['rssAfter2xKiB'] / 1024:.1f} MB ({moves['paints']:.0f} paints)",
            "no growth (2nd 10k)",
            moves["rssAfter2xKiB"] <= moves["rssAfterKiB"])

    first = median_entry(core, "update/repeated:0/counted:0")
    again = median_entry(core, "update/repeated:1/counted:0")
    first_bytes = median_entry(core, "update/repeated:0/counted:1")
    again_bytes = median_entry(core, "update/repeated:1/counted:1")
    row("update, first: wall time", f"{first['real_time']:.1f} ms", "reported", None)
    row("update, first: bytes received (maps)",
        f"{first_bytes['bytes'] / 1024:.1f} KiB ({first_bytes['mapBytes'] / 1024:.1f})",
        "reported", None)
    row("update, pictures unchanged: wall time", f"{again['real_time']:.1f} ms", "reported", None)
    row("update, pictures unchanged: bytes (maps)",
        f"{again_bytes['bytes'] / 1024:.1f} KiB ({again_bytes['mapBytes'] / 1024:.1f})",
        "reported", None)
    row("  largest map response, unchanged", f"{again_bytes['largestMap'] / 1024:.1f} KiB",
        "< 64 KiB per layer", again_bytes["largestMap"] < 64 * 1024)

    if viewer:
        if "startup_ms" in viewer:
            row("start-up to end of first paint (Xvfb)",
                f"{viewer['startup_ms']:.0f} ms (min {viewer['startup_min_ms']:.0f})", "<= 60 ms",
                viewer["startup_ms"] <= 60)
            at = viewer["startup_phases_ms"]
            steps = [at[0]] + [later - earlier for earlier, later in zip(at, at[1:])]
            row("  to main / QApplication / startViewer / paint",
                " / ".join(f"{step:.0f}" for step in steps) + " ms", "reported", None)
        row("idle CPU, 10 s after start-up", f"{viewer['idle_cpu_s']:.2f} s", "<= 0.02 s",
            viewer["idle_cpu_s"] <= 0.02)
        updated = viewer["update_connections"] >= 6
        row("peak RSS after an update (VmHWM)",
            f"{viewer['peak_kib'] / 1024:.1f} MB"
            + ("" if updated else f" (update not seen: {viewer['update_connections']} requests)"),
            "<= 40 MB", viewer["peak_kib"] <= 40 * 1024 and updated)
        rss = viewer["moves_rss_kib"]
        # The first 10 000 moves may still fill the glyph caches of the hovered captions;
        # growth is judged over the second 10 000.
        row("RSS before/after 10k/after 20k moves, xdotool",
            "/".join(f"{kib / 1024:.1f}" for kib in rss) + " MB", "no growth (2nd 10k)",
            rss[2] <= rss[1] and viewer["viewer_alive"])
        row("  CPU of the viewer for each 10k moves",
            "/".join(f"{s:.2f}" for s in viewer["moves_cpu_s"]) + " s", "reported", None)

    widths = [max(len(r[i]) for r in rows + [("Figure", "Measured", "Target", "Met")])
              for i in range(4)]
    header = ("Figure", "Measured", "Target", "Met")
    for line in [header] + rows:
        print("  ".join(cell.ljust(width) for cell, width in zip(line, widths)).rstrip())
    with open(f"/proc/loadavg") as load:
        print(f"(load average at the end: {' '.join(load.read().split()[:3])}; 2 cores)")
    if options.json:
        with open(options.json, "w") as out:
            json.dump({"core": core, "ui": ui, "viewer": viewer}, out, indent=1)


if __name__ == "__main__":
    main()
