#!/usr/bin/env python3
"""Runs the benchmarks and the viewer under Xvfb and prints the figures against their targets.

Called by scripts/bench after the Release build: the core and window benchmarks (Google
Benchmark, JSON output), then, on a virtual screen with the sample host on the port the build
was made for: start-up (the viewer's own probes, and the first visible window as the X server
sees it), next to a minimal Qt window built with the benchmarks and, when installed, GNOME
Weather; idle CPU; memory after start-up and over one update, with the sample host's maps
and with oversized ones; memory under 10 000 pointer moves.

With --before BUILD, a build of an earlier tree with the same options, every figure both
builds have is measured for it too, in the same run and in turn with this one, and printed
in a column of its own.
"""

import argparse
import json
import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import time

TICKS = os.sysconf("SC_CLK_TCK")
# What the probed programs report, in order: main entered, application made, window started,
# first paint done.
PHASES = ("main-ns", "application-ns", "started-ns", "first-paint-ns")
PEER = "gnome-weather"


def run_benchmark(program, extra, env=None):
    """Runs one benchmark program and returns its JSON report's benchmark entries."""
    out = subprocess.run([program, "--benchmark_format=json"] + extra, check=True,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    return json.loads(out.stdout)["benchmarks"]


def median_entry(entries, prefix):
    """The median aggregate of the run named `prefix`, or its only entry; None when absent."""
    chosen = [e for e in entries if e["run_name"].startswith(prefix)]
    medians = [e for e in chosen if e.get("aggregate_name") == "median"]
    return (medians or chosen or [None])[0]


def proc_field(path, field):
    """One "Field: N kB" line of a /proc file, in KiB; 0 when absent."""
    try:
        with open(path) as lines:
            for line in lines:
                if line.startswith(field + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def memory(pid):
    """Resident and proportional set sizes of a process now, and its peak resident size, KiB."""
    return {"rss": proc_field(f"/proc/{pid}/status", "VmRSS"),
            "peak": proc_field(f"/proc/{pid}/status", "VmHWM"),
            "pss": proc_field(f"/proc/{pid}/smaps_rollup", "Pss")}


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


def port_answers(port):
    with socket.socket() as probe:
        return probe.connect_ex(("127.0.0.1", port)) == 0


def wait_for_port(port, limit=30.0):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        if port_answers(port):
            return True
        time.sleep(0.05)
    return False


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


def libraries_before_main(program):
    """How many shared libraries the dynamic loader maps before `program`'s main."""
    out = subprocess.run([program], env=dict(os.environ, LD_TRACE_LOADED_OBJECTS="1"),
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    return sum(1 for line in out.splitlines() if "=>" in line or line.strip().startswith("/"))


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


class Screen:
    """An Xvfb of its own and the environment that shows programs on it."""

    def __init__(self, started):
        display = free_display()
        self.xvfb = started.start(["Xvfb", f":{display}", "-screen", "0", "1024x768x24",
                                   "-nolisten", "tcp"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        end = time.monotonic() + 10
        while not os.path.exists(f"/tmp/.X11-unix/X{display}") and time.monotonic() < end:
            time.sleep(0.05)
        self.env = dict(os.environ, DISPLAY=f":{display}")
        self.env.pop("QT_QPA_PLATFORM", None)
        self.env.pop("WAYLAND_DISPLAY", None)


def probe_phases(programs, root, env, runs):
    """Each probed program started `runs` times, in turn: the median of each phase in ms from
    just before the process was created, and the best first paint."""
    env = dict(env, NUBIVO_BENCH_QUIT_AFTER_PAINT="1")
    seen = {name: {phase: [] for phase in PHASES} for name in programs}
    for run in range(runs + 1):  # the first round fills the file cache
        for name, program in programs.items():
            start = time.time_ns()
            process = subprocess.Popen([program], env=env, cwd=root, stderr=subprocess.PIPE,
                                       stdout=subprocess.DEVNULL, text=True)
            times = {}
            for line in process.stderr:
                phase, _, value = line.partition(" ")
                if phase in PHASES:
                    times[phase] = (int(value) - start) / 1e6
                if phase == "first-paint-ns":
                    break
            process.stderr.close()
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
            if run > 0:
                for phase, at in times.items():
                    seen[name][phase].append(at)
    result = {}
    for name, phases in seen.items():
        if phases["first-paint-ns"]:
            result[name] = {"phases": {p: statistics.median(v) for p, v in phases.items() if v},
                            "best": min(phases["first-paint-ns"])}
    return result


def visible_window(watch, programs, root, env, runs):
    """Each program started `runs` times in turn under the window watcher: medians of the
    map and of the first picture in ms, and whether every first picture was the settled one."""
    seen = {name: {"mapped-ms": [], "frame-ms": [], "later-differs": []} for name in programs}
    for run in range(runs + 1):
        for name, command in programs.items():
            out = subprocess.run([watch, "--"] + command, env=env, cwd=root, text=True,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
            if run == 0:
                continue
            for line in out.splitlines():
                key, _, value = line.partition(" ")
                if key in seen[name] and value != "none":
                    seen[name][key].append(float(value))
    result = {}
    for name, values in seen.items():
        if values["frame-ms"]:
            result[name] = {"mapped_ms": statistics.median(values["mapped-ms"]),
                            "frame_ms": statistics.median(values["frame-ms"]),
                            "runs": len(values["frame-ms"]),
                            "complete": all(v == 0 for v in values["later-differs"]),
                            "later_differs_max": max(values["later-differs"], default=0)}
    return result


def started_memory(command, root, env, started):
    """A program started on the screen: its memory once its window shows and it is quiet."""
    process = started.start(command, env=env, cwd=root, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    try:
        xdotool(env, "search", "--sync", "--onlyvisible", "--pid", process.pid)
        wait_until_quiet(process.pid, settle=1.0)
        return memory(process.pid)
    finally:
        started.stop(process)


def viewer_session(viewer, root, env, started, port, idle=False, moves=False):
    """The viewer on the screen: memory after start-up, optionally its CPU in 10 s alone, then
    one update typed and pressed, memory after it, and optionally 2 x 10 000 pointer moves."""
    figures = {}
    process = started.start([viewer], env=env, cwd=root, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    window = xdotool(env, "search", "--sync", "--onlyvisible", "--pid", process.pid).split()[0]
    wait_until_quiet(process.pid, settle=1.0)
    figures["start"] = memory(process.pid)
    if idle:
        before = cpu_seconds(process.pid)
        time.sleep(10)
        figures["idle_cpu_s"] = cpu_seconds(process.pid) - before

    geometry = xdotool(env, "getwindowgeometry", "--shell", window)
    at = dict(line.split("=") for line in geometry.split())
    left, top = int(at["X"]), int(at["Y"])
    # The pointer comes to the window: the first input, after which the viewer loads what an
    # update needs.
    xdotool(env, "mousemove", left + 20, top + 20)
    xdotool(env, "mousemove", left + 24, top + 24)
    time.sleep(0.2)
    wait_until_quiet(process.pid, settle=1.0)
    figures["input"] = memory(process.pid)
    closed_before = closed_connections(port)
    xdotool(env, "mousemove", left + 220, top + 50, "click", "1")
    xdotool(env, "type", "--delay", "20", "Lyon")
    xdotool(env, "mousemove", left + 289, top + 100, "click", "1")
    time.sleep(0.5)
    wait_until_quiet(process.pid, settle=1.0)
    time.sleep(0.5)
    figures["update_connections"] = closed_connections(port) - closed_before
    figures["update"] = memory(process.pid)

    if moves:
        points = []
        for i in range(10000):
            x = 12 + (i * 7) % 336
            y = (158, 278, 200, 400)[i % 4]
            points += ["mousemove", left + x, top + y]
        rss = [memory(process.pid)["rss"]]
        cpu = []
        for _ in range(2):
            used = cpu_seconds(process.pid)
            xdotool(env, *points)
            wait_until_quiet(process.pid, settle=1.0)
            cpu.append(cpu_seconds(process.pid) - used)
            rss.append(memory(process.pid)["rss"])
        figures["moves_rss_kib"] = rss
        figures["moves_cpu_s"] = cpu
    figures["alive"] = process.poll() is None
    started.stop(process)
    return figures


def first_updates(program, port, runs):
    """The first and the second update in `runs` new processes: medians in ms."""
    first, second = [], []
    for _ in range(runs):
        out = subprocess.run([program, f"http://127.0.0.1:{port}"], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True, check=False).stdout
        values = dict(line.split() for line in out.splitlines() if line.strip())
        if "first-update-ms" in values:
            first.append(float(values["first-update-ms"]))
            second.append(float(values["second-update-ms"]))
    if not first:
        return None
    return {"first_ms": statistics.median(first), "second_ms": statistics.median(second)}


def screen_figures(builds, options, started):
    """Everything measured on the virtual screen, for each build ("after", maybe "before"),
    the minimal window ("minimal") and the peer ("peer", when installed)."""
    root, port, runs = options.root, options.port, options.runs
    after = builds["after"]
    screen = Screen(started)
    env = screen.env
    figures = {"libraries": {}, "sessions": {}, "large": {}, "started": {}}

    if port_answers(port):
        raise SystemExit(f"bench: something already answers on 127.0.0.1:{port}; "
                         "set NUBIVO_BENCH_PORT to a free port")
    host = started.start([f"{after}/hosts/sample/nubivo-sample-host", "--port", str(port)],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not wait_for_port(port):
        raise SystemExit("bench: the sample host did not start")

    print("bench: start-up, probed ...", file=sys.stderr)
    probes = {"minimal": f"{after}/bench/nubivo-bench-minimal-window"}
    for name, build in builds.items():
        probes[name] = f"{build}/bench/nubivo-bench-viewer"
        figures["libraries"][name] = libraries_before_main(f"{build}/ui/nubivo-weather-viewer")
    figures["probes"] = probe_phases(probes, root, env, runs)

    print("bench: start-up, seen from the X server ...", file=sys.stderr)
    shown = {"minimal": [probes["minimal"]]}
    for name, build in builds.items():
        shown[name] = [f"{build}/ui/nubivo-weather-viewer"]
    peer = shutil.which(PEER)
    if peer:
        shown["peer"] = [peer]
    figures["visible"] = visible_window(f"{after}/bench/nubivo-bench-window-watch", shown, root,
                                        env, runs)

    print("bench: memory after start-up ...", file=sys.stderr)
    figures["started"]["minimal"] = started_memory([probes["minimal"]], root, env, started)
    if peer:
        figures["started"]["peer"] = started_memory([peer], root, env, started)

    print("bench: idle CPU, one update, pointer moves ...", file=sys.stderr)
    for name, build in builds.items():
        figures["sessions"][name] = viewer_session(f"{build}/ui/nubivo-weather-viewer", root,
                                                   env, started, port, idle=True,
                                                   moves=name == "after")
    figures["first_update"] = first_updates(f"{after}/bench/nubivo-bench-first-update", port,
                                            runs)
    started.stop(host)

    print("bench: one update with 4096 x 4096 map pictures ...", file=sys.stderr)
    large = started.start([f"{after}/bench/nubivo-bench-large-map-host", "--port", str(port)],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    figures["large_picture"] = large.stdout.readline().strip()
    if not wait_for_port(port):
        raise SystemExit("bench: the large-map host did not start")
    for name, build in builds.items():
        figures["large"][name] = viewer_session(f"{build}/ui/nubivo-weather-viewer", root,
                                                env, started, port)
    started.stop(large)
    started.stop(screen.xvfb)
    return figures


def mb(kib):
    return f"{kib / 1024:.1f}"


class Table:
    """Rows of figure, before, after, target and whether the after figure meets it."""

    def __init__(self, with_before):
        self.with_before = with_before
        self.rows = []

    def row(self, figure, before, after, target, ok):
        met = "yes" if ok else "NO" if ok is not None else "-"
        self.rows.append((figure, before if before is not None else "-",
                          after if after is not None else "-", target, met))

    def print(self):
        header = ("Figure", "Before", "After", "Target", "Met")
        keep = [0, 1, 2, 3, 4] if self.with_before else [0, 2, 3, 4]
        lines = [[line[i] for i in keep] for line in [header] + self.rows]
        if not self.with_before:
            lines[0][1] = "Measured"
        widths = [max(len(line[i]) for line in lines) for i in range(len(keep))]
        for line in lines:
            print("  ".join(cell.ljust(width) for cell, width in zip(line, widths)).rstrip())


def benchmark_rows(table, core, ui):
    """The core's and the window's benchmarks; `core` and `ui` map build names to entries."""
    def each(entries, function):
        return {name: function(e) if e else None for name, e in entries.items()}

    for size in (4096, 65536):
        rate = each(core, lambda e: median_entry(e, f"scanFeed/{size}")["bytes_per_second"] / 1e6)
        table.row(f"scanFeed, {size // 1024} KiB feed",
                  *(f"{rate[n]:.0f} MB/s" if rate.get(n) else None for n in ("before", "after")),
                  ">= 500 MB/s", rate["after"] >= 500)

    if ui.get("after"):
        def paint_us(entries, tab, scaled, ratio):
            # Trees that paint at one ratio only name no ratio in their runs.
            name = f"paintWindow/tab:{tab}/scaleEveryPaint:{scaled}"
            entry = median_entry(entries, f"{name}/ratio:{ratio}")
            if entry is None and ratio == 1:
                entry = median_entry(entries, name)
            return entry["real_time"] if entry else None

        for tab, name in enumerate(("Wind", "Atmo.", "Astr.", "Cond.", "Forc.")):
            for scaled, ratio in ((0, 1), (1, 1), (0, 2)):
                time_us = each(ui, lambda e: paint_us(e, tab, scaled, ratio))
                cells = [f"{time_us[n]:.0f} us" if time_us.get(n) else None
                         for n in ("before", "after")]
                if scaled:
                    table.row("  same, map scaled each paint", *cells, "reported", None)
                elif ratio == 2:
                    single = paint_us(ui["after"], tab, 0, 1)
                    cells[1] = f"{time_us['after']:.0f} us ({time_us['after'] / single:.2f} x)"
                    table.row("  same, scale 2 (720 x 1140)", *cells, "<= 2.5 x scale 1",
                              time_us["after"] <= 2.5 * single)
                else:
                    table.row(f"full repaint, {name} tab", *cells, "median <= 250 us",
                              time_us["after"] <= 250)

        def moves_cell(entries):
            moves = median_entry(entries, "mouseMoves")
            return (f"{mb(moves['rssBeforeKiB'])}/{mb(moves['rssAfterKiB'])}/"
                    f"{mb(moves['rssAfter2xKiB'])} MB"), moves["rssAfter2xKiB"] <= moves[
                        "rssAfterKiB"]
        cells = each(ui, moves_cell)
        table.row("RSS before/after 10k/after 20k moves, in-process",
                  cells["before"][0] if cells.get("before") else None, cells["after"][0],
                  "no growth (2nd 10k)", cells["after"][1])

    for repeated, label in ((0, "first"), (1, "pictures unchanged")):
        wall = each(core, lambda e: median_entry(
            e, f"update/repeated:{repeated}/counted:0")["real_time"])
        counted = each(core, lambda e: median_entry(e, f"update/repeated:{repeated}/counted:1"))
        table.row(f"update, {label}: wall time",
                  *(f"{wall[n]:.1f} ms" if wall.get(n) else None for n in ("before", "after")),
                  "reported", None)
        table.row(f"update, {label}: bytes received (maps)",
                  *(f"{counted[n]['bytes'] / 1024:.1f} KiB ({counted[n]['mapBytes'] / 1024:.1f})"
                    if counted.get(n) else None for n in ("before", "after")), "reported", None)
        if repeated:
            largest = counted["after"]["largestMap"]
            table.row("  largest map response, unchanged",
                      f"{counted['before']['largestMap'] / 1024:.1f} KiB"
                      if counted.get("before") else None, f"{largest / 1024:.1f} KiB",
                      "< 64 KiB per layer", largest < 64 * 1024)


def live_rows(table, live):
    """The live host against the scripted upstream; `live` maps build names to entries."""
    def cell(name, function):
        entry = median_entry(live[name], function[0]) if live.get(name) else None
        return function[1](entry) if entry else None

    figures = (
        ("live host: feed from a warm cache", ("WarmFeed", lambda e: f"{e['real_time']:.1f} us")),
        ("live host: cold feed (upstream calls)",
         ("ColdFeed", lambda e: f"{e['real_time']:.2f} ms ({e['upstream_calls_per_feed']:.0f})")),
        ("live host: satellite map build", ("MapBuild/0", lambda e: f"{e['real_time']:.0f} ms")),
        ("live host: forecast grid and its 3 maps",
         ("MapBuild/1", lambda e: f"{e['real_time']:.0f} ms")),
    )
    for figure, function in figures:
        table.row(figure, cell("before", function), cell("after", function), "reported", None)
    day = {n: median_entry(live[n], "DayOfUpdates") for n in live}

    def calls(entry):
        return (f"{entry['forecast_call_units']:.0f} of 10000 ({entry['forecast_requests']:.0f} "
                f"requests, {entry['geocoding_requests']:.0f} geocoding, "
                f"{entry['imagery_requests']:.0f} imagery)") if entry else None
    table.row("live host: a day of updates, forecast calls", calls(day.get("before")),
              calls(day["after"]), "well within 10000", day["after"]["forecast_call_units"] <= 5000)
    after = day["after"]
    if "bucket_requests" in after:
        table.row("live host: a day of updates, model bucket", None,
                  f"{after['bucket_requests']:.0f} requests, "
                  f"{after['bucket_bytes'] / 1e6:.1f} MB", "reported", None)
    if "eumetsat_map_requests" in after:
        table.row("live host: a day of updates, imagery requests", None,
                  f"GIBS {after['gibs_geostationary_requests']:.0f} geostationary, "
                  f"{after['gibs_composite_requests']:.0f} composite; EUMETSAT "
                  f"{after['eumetsat_map_requests']:.0f} maps, "
                  f"{after['eumetsat_capabilities_requests']:.0f} capabilities",
                  "one per satellite and build, Meteosat hourly",
                  after["satellite_builds_over_budget"] == 0
                  and after["meteosat_asked_twice_within_an_hour"] == 0)
    painted = median_entry(live["after"], "SatelliteMapFromPictures")
    if painted:
        table.row("live host: satellite map from fetched pictures", None,
                  f"{painted['real_time']:.1f} ms", "<= 40 ms", painted["real_time"] <= 40)
    model_rows(table, live["after"])


def map_rows(table, maps):
    """The hosts' map pictures; `maps` maps build names to entries."""
    def ms(name, run):
        entry = median_entry(maps[name], run) if maps.get(name) else None
        return entry["real_time"] if entry else None

    def cell(name, runs):
        times = [ms(name, run) for run in runs]
        return None if None in times else " / ".join(f"{t:.1f}" for t in times) + " ms"

    builds = ("before", "after")
    one_map = ("ForecastMap/0", "ForecastMap/2", "SatelliteMap")
    table.row("one 440 x 330 map: forecast high / precipitation / satellite",
              *(cell(n, one_map) for n in builds), "<= 30 ms",
              all(ms("after", r) <= 30 for r in one_map))
    start, kept = "SampleMapsAtStartUp", "SampleMapsKept"
    before = ms("before", start)
    after = ms("after", start)
    table.row("sample host: its 32 maps at start-up / again, outlines kept",
              *(cell(n, (start, kept)) for n in builds), "<= 1.5 x before",
              before is None or after <= 1.5 * before)


def model_rows(table, entries):
    """The forecast maps from the GFS model against the scripted bucket (this tree only)."""
    fetch = median_entry(entries, "ModelRunFetch")
    if not fetch:
        return
    ratio = fetch["bucket_bytes"] / fetch["needed_bytes"]
    table.row("live host: one model run for all 8 regions", None,
              f"{fetch['bucket_bytes'] / 1e6:.2f} MB in {fetch['bucket_requests']:.0f} requests, "
              f"{ratio:.2f} x the records and inventories needed",
              "<= 8 MB, <= 1.3 x", fetch["bucket_bytes"] <= 8e6 and ratio <= 1.3)
    table.row("  rebuilt within the period, the held run the newest complete", None,
              f"{fetch['rebuild_bucket_bytes']:.0f} B (a 404 for the next run)",
              "no records fetched", fetch["rebuild_bucket_bytes"] < 1000)
    builds = [median_entry(entries, f"ModelMapBuild/{region}") for region in (0, 7)]
    if all(builds):
        table.row("live host: a model map from held fields, Europe / Africa", None,
                  " / ".join(f"{b['real_time']:.1f} ms (CPU {b['cpu_time']:.1f})"
                             for b in builds), "<= 30 ms",
                  all(b["real_time"] <= 30 for b in builds))
    decodes = [median_entry(entries, f"DecodeGlobalField/{packing}") for packing in (0, 1)]
    if all(decodes):
        table.row("live host: one global field decoded, simple 4-bit / complex 12-bit", None,
                  " / ".join(f"{d['real_time']:.0f} ms ({d['message_bytes'] / 1e6:.2f} MB)"
                             for d in decodes), "reported", None)
    memory = median_entry(entries, "ModelRunMemory")
    if memory:
        table.row("live host process: RSS before a run / peak through it / after it", None,
                  f"{memory['rss_before_mb']:.1f} / {memory['peak_mb']:.1f} / "
                  f"{memory['rss_after_mb']:.1f} MB (all 24 forecast maps drawn: "
                  f"{memory['rss_all_maps_mb']:.1f})", "peak <= 120 MB, after <= before + 40",
                  memory["peak_mb"] <= 120 and
                  memory["rss_after_mb"] <= memory["rss_before_mb"] + 40)

def screen_rows(table, screen, runs):
    """The figures of the viewer on the virtual screen."""
    names = ("before", "after")
    libraries = screen["libraries"]
    table.row("shared libraries mapped before main",
              *(str(libraries[n]) if n in libraries else None for n in names), "reported", None)

    probes = screen["probes"]

    def phases(name):
        at = [probes[name]["phases"].get(p, 0) for p in PHASES]
        return " / ".join(f"{step:.0f}" for step in
                          [at[0]] + [later - earlier for earlier, later in zip(at, at[1:])])

    paint = {n: probes[n]["phases"]["first-paint-ns"] for n in probes}
    table.row(f"start-up to end of first paint (probes, median of {runs})",
              *(f"{paint[n]:.0f} ms (best {probes[n]['best']:.0f})" if n in paint else None
                for n in names), "<= 60 ms", paint.get("after", 1e9) <= 60)
    table.row("  to main / QApplication / startViewer / paint",
              *(phases(n) + " ms" if n in probes else None for n in names), "reported", None)
    if "minimal" in probes:
        table.row("  minimal Qt window: first paint; phases", None,
                  f"{paint['minimal']:.0f} ms; {phases('minimal')}", "reported", None)

    visible = screen["visible"]
    floor = visible.get("minimal", {}).get("frame_ms")

    def shown(name):
        if name not in visible:
            return None
        ratio = f", {visible[name]['frame_ms'] / floor:.2f} x" if floor else ""
        return f"{visible[name]['frame_ms']:.0f} ms{ratio}"

    ok = floor is not None and "after" in visible and visible["after"]["frame_ms"] <= 1.2 * floor
    table.row(f"first visible window, seen by the X server (median of {runs})",
              shown("before"), shown("after"), "<= 1.2 x minimal", ok)
    table.row("  minimal Qt window", None, shown("minimal"), "reported", None)
    def complete(name):
        if name not in visible:
            return None
        changed = visible[name]["later_differs_max"]
        return "yes" if visible[name]["complete"] else f"no ({changed:.0f} pixels changed)"

    table.row("  first picture shown was the whole start-up picture",
              *(complete(n) for n in names), "yes", visible.get("after", {}).get("complete"))

    sessions = screen["sessions"]
    started = screen["started"]
    minimal_rss = started["minimal"]["rss"]

    def rss_pss(figures):
        return f"{mb(figures['rss'])} / {mb(figures['pss'])} MB"

    start = {n: sessions[n]["start"] for n in sessions}
    table.row("RSS / PSS after start-up",
              *(rss_pss(start[n]) if n in start else None for n in names),
              f"RSS <= {mb(minimal_rss + 8 * 1024)} MB (minimal + 8)",
              start["after"]["rss"] <= minimal_rss + 8 * 1024)
    table.row("  minimal Qt window", None, rss_pss(started["minimal"]), "reported", None)
    table.row("  after the first input (update's libraries loaded)",
              *(rss_pss(sessions[n]["input"]) if n in sessions else None for n in names),
              "reported", None)

    if "peer" in visible or "peer" in started:
        viewer_ms = visible.get("after", {}).get("frame_ms")
        peer_ms = visible.get("peer", {}).get("frame_ms")
        ratio = f" ({peer_ms / viewer_ms:.1f} x the viewer's)" if viewer_ms and peer_ms else ""
        table.row("GNOME Weather (peer): first visible window", None,
                  f"{peer_ms:.0f} ms{ratio}" if peer_ms else "never shown", "reported", None)
        if "peer" in started:
            peer_rss = started["peer"]["rss"]
            table.row("GNOME Weather (peer): RSS / PSS after start-up", None,
                      f"{rss_pss(started['peer'])} "
                      f"({peer_rss / start['after']['rss']:.1f} x the viewer's RSS)",
                      "reported", None)

    def updated(figures):
        return figures["update_connections"] >= 6

    def peak(figures):
        seen = "" if updated(figures) else " (update not seen)"
        return f"{mb(figures['update']['peak'])} MB{seen}"

    table.row("peak RSS over start-up and one update (VmHWM)",
              *(peak(sessions[n]) if n in sessions else None for n in names), "<= 44 MB",
              sessions["after"]["update"]["peak"] <= 44 * 1024 and updated(sessions["after"]))
    table.row("  RSS / PSS after the update",
              *(rss_pss(sessions[n]["update"]) if n in sessions else None for n in names),
              "reported", None)
    table.row("idle CPU, 10 s after start-up",
              *(f"{sessions[n]['idle_cpu_s']:.2f} s" if n in sessions else None for n in names),
              "<= 0.02 s", sessions["after"]["idle_cpu_s"] <= 0.02)

    first = screen.get("first_update")
    if first:
        table.row("update in a new process: first (opens libcurl, FreeImage) / second", None,
                  f"{first['first_ms']:.0f} / {first['second_ms']:.0f} ms", "reported", None)

    large = screen["large"]
    table.row(f"4096 x 4096 maps ({screen['large_picture'].split(', ')[-1]} PNGs): peak RSS",
              *(peak(large[n]) if n in large else None for n in names), "< 150 MB",
              large["after"]["update"]["peak"] < 150 * 1024 and updated(large["after"]))
    table.row("  RSS / PSS after that update",
              *(rss_pss(large[n]["update"]) if n in large else None for n in names),
              "RSS < 60 MB", large["after"]["update"]["rss"] < 60 * 1024)

    after = sessions["after"]
    rss = after["moves_rss_kib"]
    # The first 10 000 moves may still fill the glyph caches of the hovered captions; growth
    # is judged over the second 10 000.
    table.row("RSS before/after 10k/after 20k moves, xdotool", None,
              "/".join(mb(kib) for kib in rss) + " MB", "no growth (2nd 10k)",
              rss[2] <= rss[1] and after["alive"])
    table.row("  CPU of the viewer for each 10k moves", None,
              "/".join(f"{s:.2f}" for s in after["moves_cpu_s"]) + " s", "reported", None)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--before", help="a build of an earlier tree, measured alongside")
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--runs", type=int, default=10, help="start-up runs of each program")
    parser.add_argument("--json", help="write every figure here as JSON")
    options = parser.parse_args()
    builds = {"after": options.build}
    if options.before:
        builds = {"before": options.before, "after": options.build}

    core, ui, live, maps = {}, {}, {}, {}
    for name, build in builds.items():
        print(f"bench: the feed scanner and whole updates ({name}) ...", file=sys.stderr)
        core[name] = run_benchmark(f"{build}/bench/nubivo-bench-core",
                                   ["--benchmark_repetitions=5",
                                    "--benchmark_report_aggregates_only=true"])
        if os.path.exists(f"{build}/bench/nubivo-bench-ui"):
            print(f"bench: the window's paint, offscreen ({name}) ...", file=sys.stderr)
            ui[name] = run_benchmark(f"{build}/bench/nubivo-bench-ui", [],
                                     env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
        if os.path.exists(f"{build}/bench/nubivo-bench-live"):
            print(f"bench: the live host against a scripted upstream ({name}) ...",
                  file=sys.stderr)
            live[name] = run_benchmark(f"{build}/bench/nubivo-bench-live", [])
        if os.path.exists(f"{build}/bench/nubivo-bench-maps"):
            print(f"bench: the hosts' map pictures ({name}) ...", file=sys.stderr)
            maps[name] = run_benchmark(f"{build}/bench/nubivo-bench-maps", [])

    screen = {}
    started = Started()
    try:
        if os.path.exists(f"{options.build}/ui/nubivo-weather-viewer"):
            screen = screen_figures(builds, options, started)
    finally:
        started.stop_all()

    table = Table(with_before="before" in builds)
    benchmark_rows(table, core, ui)
    if live.get("after"):
        live_rows(table, live)
    if maps.get("after"):
        map_rows(table, maps)
    if screen:
        screen_rows(table, screen, options.runs)
    table.print()
    with open("/proc/loadavg") as load:
        print(f"(load average at the end: {' '.join(load.read().split()[:3])}; "
              f"{os.cpu_count()} cores)")
    if options.json:
        with open(options.json, "w") as out:
            json.dump({"core": core, "ui": ui, "live": live, "maps": maps, "screen": screen}, out, indent=1)


if __name__ == "__main__":
    main()
