#!/usr/bin/python3
"""The chain service under load, against tvq418-sim on a pseudo-terminal at 9600 baud.

Usage: bench/service_load.py [--bin DIR] [--minutes M] [--restarts N] [SCENARIO ...]
Scenarios (all by default):
  shared     tvq418ctl source switches in a loop, 50 watchers (and the controller attached when
             it is built): frames never overlap on the wire, every watcher sees every state
             change, delivery to watchers after the reply (p50/p99)
  press      request to wire through the service, beside the same frame written straight to
             the simulator's TCP port (medians)
  plans      once-plans through the service: fire time against the due second (p50/p99)
  flood      one client at 100 commands/s, another's commands meanwhile (p99), busy answers,
             the service's memory before and after
  slow       a watcher that stops reading: time until dropped, the poll cadence meanwhile
  restart    kill -9 during activity N times: back and armed (p99), journal lines, sequence
  footprint  resident memory with 50 watchers, CPU when idle
"""

import argparse
import faulthandler
import functools
import json
import operator
import os
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def mono_us():
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC) // 1000


def pct(values, p):
    if not values:
        return float("nan")
    s = sorted(values)
    return s[min(len(s) - 1, int(round(p / 100 * (len(s) - 1))))]


def report(name, **figures):
    text = ", ".join(f"{k} {v:.1f}" if isinstance(v, float) else f"{k} {v}"
                     for k, v in figures.items())
    print(f"{name}: {text}", flush=True)


class Rig:
    """A simulator on a pty with its frame log, and a service owning that pty."""

    def __init__(self, bindir, work, plans=None, extra=(), serve=True):
        self.bindir, self.work = bindir, work
        self.log = os.path.join(work, "frames.log")
        self.sock = os.path.join(work, "chain.sock")
        self.journal = os.path.join(work, "journal")
        self.sim = subprocess.Popen(
            [os.path.join(bindir, "tvq418-sim"), "--pty", "--tcp", "127.0.0.1:0", "--log",
             self.log], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.tcp = self.pty = None
        while not (self.tcp and self.pty):
            line = self.sim.stdout.readline()
            if not line:
                sys.exit("tvq418-sim did not start")
            kind, where = line.split()
            setattr(self, kind, where)
        self.plans, self.extra = plans, list(extra)
        self.service = None
        if serve:
            self.start_service()

    def start_service(self):
        argv = [os.path.join(self.bindir, "tvq418d"), "--serial", self.pty, "--socket",
                self.sock, "--journal", self.journal, *self.extra]
        if self.plans:
            argv += ["--plans", self.plans]
        self.service = subprocess.Popen(argv, stdout=subprocess.DEVNULL)
        return wait_for_service(self.sock, 10)

    def ctl(self, *args):
        return subprocess.run([os.path.join(self.bindir, "tvq418ctl"), "--service", self.sock,
                               *args], capture_output=True, text=True)

    def close(self):
        for p in (self.service, self.sim):
            if p and p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()

    def frames(self):
        """(mono_us, dir, bytes) of every frame in the log so far."""
        out = []
        with open(self.log) as f:
            for line in f:
                try:
                    e = json.loads(line)
                except ValueError:
                    continue
                out.append((e["mono_us"], e["dir"], e["bytes"]))
        return out


def wait_for_service(path, seconds):
    """Time until the service greets a client with its link up, or None."""
    start = time.monotonic()
    while time.monotonic() - start < seconds:
        try:
            c = Client(path)
            if c.greeting.get("link", {}).get("state") == "up":
                c.close()
                return time.monotonic() - start
            c.close()
        except OSError:
            pass
        time.sleep(0.02)
    return None


class Client:
    def __init__(self, path, rcvbuf=None):
        self.s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        if rcvbuf:
            self.s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, rcvbuf)
        self.s.connect(path)
        self.f = self.s.makefile("rb")
        self.greeting = json.loads(self.f.readline())
        self.next_id = 0

    def send(self, op, **args):
        self.next_id += 1
        self.s.sendall((json.dumps({"id": self.next_id, "op": op, **args}) + "\n").encode())
        return self.next_id

    def answer(self, rid):
        while True:
            line = self.f.readline()
            if not line:
                raise OSError("service closed the connection")
            m = json.loads(line)
            if m.get("class") == "answer" and m.get("id") == rid:
                return m

    def request(self, op, **args):
        return self.answer(self.send(op, **args))

    def close(self):
        self.s.close()


class Watcher(threading.Thread):
    def __init__(self, path):
        super().__init__(daemon=True)
        self.c = Client(path)
        self.c.request("watch", events=["state"])
        self.events = []  # (receive mono_us, seq, source)

    def run(self):
        try:
            for line in self.c.f:
                m = json.loads(line)
                if m.get("class") == "event" and m.get("type") == "state":
                    self.events.append((mono_us(), m["seq"], json.dumps(m.get("state"))))
        except (OSError, ValueError):
            pass


def start_watchers(path, count):
    """`count` clients of the service, each watching its state events on a thread of its own."""
    watchers = [Watcher(path) for _ in range(count)]
    for w in watchers:
        w.start()
    return watchers


def overlaps(frames):
    """Frames that arrived while the previous one still awaited its reply."""
    bad, waiting_since = 0, None
    for t, d, _ in frames:
        if d == "in":
            if waiting_since is not None and t - waiting_since < 200_000:
                bad += 1
            waiting_since = t
        else:
            waiting_since = None
    return bad


def shared(a, bindir, work):
    rig = Rig(bindir, work)
    try:
        watchers = start_watchers(rig.sock, 50)
        gui = None
        control = os.path.join(bindir, "tvq418-control")
        if os.path.exists(control):
            env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
            gui = subprocess.Popen([control, "--service", rig.sock], cwd=work, env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        end, n, failed = time.monotonic() + a.minutes * 60, 0, 0
        while time.monotonic() < end:
            r = rig.ctl("source", ("V1", "V2", "DVI", "HDMI")[n % 4])
            failed += r.returncode != 0
            n += 1
            time.sleep(0.5)
        # The last switch shows at the next read-back; then every watcher has it, or never will.
        settle = time.monotonic() + 10
        while time.monotonic() < settle and len({len(w.events) for w in watchers}) > 1:
            time.sleep(0.2)
        time.sleep(2)
        if gui:
            gui.terminate()
            gui.wait()
        frames = rig.frames()
        outs = [t for t, d, _ in frames if d == "out"]
        seen = {len(w.events) for w in watchers}
        every = set().union(*({seq for _, seq, _ in w.events} for w in watchers))
        missed = sum(len(every) - len({seq for _, seq, _ in w.events}) for w in watchers)
        latencies = []
        for w in watchers:
            for t, _, _ in w.events:
                before = [o for o in outs[-4000:] if o <= t]
                if before:
                    latencies.append((t - before[-1]) / 1000)
        report("shared", switches=n, failed=failed, frames=len(frames),
               overlapping=overlaps(frames), watcher_counts=sorted(seen),
               state_events=len(every), events_missed_by_watchers=missed,
               delivery_p50_ms=pct(latencies, 50), delivery_p99_ms=pct(latencies, 99))
    finally:
        rig.close()


def press(a, bindir, work):
    """A source switch by tvq418ctl from its start to the frame's arrival at the simulator:
    first over the pty itself, then through the service that owns the pty. The program's own
    start-up is in both, so the difference is what the service adds."""
    rig = Rig(bindir, work, serve=False)
    try:
        names = ("V1", "V2", "DVI", "HDMI")
        codes = (0, 1, 7, 8)
        ctl = os.path.join(bindir, "tvq418ctl")
        figures = {}
        for way in ("direct", "service"):
            if way == "service":
                rig.start_service()
            link = ["--serial", rig.pty] if way == "direct" else ["--service", rig.sock]
            times = []
            for i in range(a.presses):
                start = mono_us()
                subprocess.run([ctl, *link, "source", names[i % 4]], capture_output=True)
                hit = last_in(rig, start, codes[i % 4])
                if hit:
                    times.append((hit - start) / 1000)
                # An operator's pace: past the read-back the service makes after a command.
                time.sleep(0.6 + (i % 5) * 0.1)
            figures[way] = times
        report("press", direct_median_ms=statistics.median(figures["direct"]),
               service_median_ms=statistics.median(figures["service"]),
               difference_ms=statistics.median(figures["service"]) -
               statistics.median(figures["direct"]),
               service_p99_ms=pct(figures["service"], 99))
    finally:
        rig.close()


def last_in(rig, since, code):
    want = f"05 01 80 {code:02x}"
    for _ in range(200):
        for t, d, b in rig.frames():
            if d == "in" and t >= since and b.startswith(want):
                return t
        time.sleep(0.01)
    return None


def plans(a, bindir, work):
    plan_file = os.path.join(work, "Planinfo.ini")
    first = time.time() + 8
    count = int(max(5, a.minutes * 5))  # plans lie at least 10 s apart
    due = [int(first) + 12 * i for i in range(count)]
    sources = ("V1", "V2", "DVI", "HDMI")
    for i, t in enumerate(due):
        subprocess.run([os.path.join(bindir, "tvq418ctl"), "plans", "add", "--file", plan_file,
                        "--kind", "once", "--date", time.strftime("%Y-%m-%d", time.localtime(t)),
                        "--time", time.strftime("%H:%M:%S", time.localtime(t)), "--source",
                        sources[i % 4]], check=True, capture_output=True)
    rig = Rig(bindir, work, plans=plan_file)
    try:
        time.sleep(due[-1] - time.time() + 3)
        # The log's clock is monotonic: tie it to the wall clock once.
        offset = time.time() * 1e6 - mono_us()
        ins = [(t + offset) / 1e6 for t, d, b in rig.frames() if d == "in" and b[3:5] == "01"
               and b[6:8] == "80"]
        errors = []
        for t in due:
            near = [abs(x - t) for x in ins if abs(x - t) < 2]
            if near:
                errors.append(min(near) * 1000)
        report("plans", plans=len(due), fired=len(errors), p50_ms=pct(errors, 50),
               p99_ms=pct(errors, 99))
    finally:
        rig.close()


def rss_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def flood(a, bindir, work):
    rig = Rig(bindir, work)
    try:
        stop = threading.Event()
        busy = [0, 0]

        def flooder():
            c = Client(rig.sock)
            reader = threading.Thread(target=lambda: [
                busy.__setitem__(0 if json.loads(l).get("error") == "busy" else 1,
                                 busy[0 if json.loads(l).get("error") == "busy" else 1] + 1)
                for l in c.f], daemon=True)
            reader.start()
            while not stop.is_set():
                c.send("source", address=1, source=1)
                time.sleep(0.01)

        before = rss_kb(rig.service.pid)
        threading.Thread(target=flooder, daemon=True).start()
        other = Client(rig.sock)
        waits = []
        end = time.monotonic() + a.minutes * 60
        while time.monotonic() < end:
            start = time.monotonic()
            r = other.request("source", address=1, source=2)
            if r.get("ok"):
                waits.append((time.monotonic() - start) * 1000)
            time.sleep(0.5)
        stop.set()
        report("flood", other_p50_ms=pct(waits, 50), other_p99_ms=pct(waits, 99),
               busy_answers=busy[0], other_answers=busy[1], rss_before_kb=before,
               rss_after_kb=rss_kb(rig.service.pid))
    finally:
        rig.close()


def slow(a, bindir, work):
    """Source changes at the device's own keys (so the wire carries only polls), first for a
    while with every watcher reading, then with one that stops reading."""
    rig = Rig(bindir, work)
    try:
        reading = Watcher(rig.sock)
        reading.start()
        n = 0

        def change():
            nonlocal n
            rig.sim.stdin.write(f"source 1 {('DVI', 'HDMI')[n % 2]}\n")
            rig.sim.stdin.flush()
            n += 1
            time.sleep(0.7)  # not a divisor of the poll pause: every poll may see a change

        phase_a = mono_us()
        while mono_us() - phase_a < 20e6:
            change()
        # Several watchers stall in turn, so that the cadence while one hangs has samples.
        stalls, drops = [], []
        for _ in range(a.stalls):
            stalled = Client(rig.sock, rcvbuf=4096)
            stalled.request("watch")
            began, dropped = mono_us(), None
            while mono_us() - began < 60e6 and dropped is None:
                change()
                try:
                    stalled.s.sendall(b'{"id":0,"op":"status","address":1}\n')
                except OSError:
                    dropped = mono_us()
            stalls.append((began, dropped or mono_us()))
            drops.append(((dropped or mono_us()) - began) / 1e6 if dropped else float("inf"))
        polls = [t for t, d, b in rig.frames() if d == "in" and b[3:5] == "01" and b[6:8] == "17"]

        def gaps(t0, t1):
            inside = [t for t in polls if t0 <= t <= t1]
            return [(y - x) / 1000 for x, y in zip(inside, inside[1:])]

        before = gaps(phase_a, stalls[0][0])
        during = [g for t0, t1 in stalls for g in gaps(t0, t1)]
        report("slow", stalls=len(drops), dropped_after_s_max=max(drops),
               events_seen_by_reader=len(reading.events),
               poll_gap_p50_before_ms=pct(before, 50), poll_gap_p99_before_ms=pct(before, 99),
               poll_gap_p50_during_ms=pct(during, 50), poll_gap_p99_during_ms=pct(during, 99))
    finally:
        rig.close()


def restart(a, bindir, work):
    plan_file = os.path.join(work, "Planinfo.ini")
    t = time.time() + 3600
    subprocess.run([os.path.join(bindir, "tvq418ctl"), "plans", "add", "--file", plan_file,
                    "--kind", "once", "--date", time.strftime("%Y-%m-%d", time.localtime(t)),
                    "--time", time.strftime("%H:%M:%S", time.localtime(t)), "--source", "DVI"],
                   check=True, capture_output=True)
    rig = Rig(bindir, work, plans=plan_file)
    backs = []
    try:
        for i in range(a.restarts):
            rig.ctl("source", ("DVI", "HDMI")[i % 2])
            time.sleep(0.05 + (i % 7) * 0.03)
            rig.service.send_signal(signal.SIGKILL)
            rig.service.wait()
            start = time.monotonic()
            rig.start_service()
            back = wait_for_service(rig.sock, 10)
            c = Client(rig.sock)
            armed = c.greeting.get("plans", {}).get("armed")
            c.close()
            backs.append((time.monotonic() - start) if back is not None and armed else 99)
        seqs, bad, torn = [], 0, 0
        for name in sorted(os.listdir(rig.journal)):
            with open(os.path.join(rig.journal, name), "rb") as f:
                lines = f.read().split(b"\n")
            for j, line in enumerate(lines):
                if not line:
                    continue
                try:
                    seqs.append(json.loads(line)["seq"])
                except ValueError:
                    # Only the last line of a file may be torn, and the reader skips it.
                    torn += 1 if j >= len(lines) - 2 else 0
                    bad += 0 if j >= len(lines) - 2 else 1
        report("restart", kills=a.restarts, back_armed_p99_s=pct(backs, 99),
               back_armed_max_s=max(backs), records=len(seqs),
               repeated_seq=len(seqs) - len(set(seqs)), unparsable_inner_lines=bad,
               torn_last_lines=torn)
    finally:
        rig.close()


def footprint(a, bindir, work):
    rig = Rig(bindir, work)
    try:
        watchers = start_watchers(rig.sock, 50)
        time.sleep(5)
        rss = rss_kb(rig.service.pid)
        tick = os.sysconf("SC_CLK_TCK")

        def cpu():
            with open(f"/proc/{rig.service.pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            return (int(fields[11]) + int(fields[12])) / tick

        c0, t0 = cpu(), time.monotonic()
        time.sleep(30)
        share = (cpu() - c0) / (time.monotonic() - t0) * 100
        report("footprint", rss_mb=rss / 1024, idle_cpu_percent_of_a_core=share)
    finally:
        rig.close()


SCENARIOS = dict(shared=shared, press=press, plans=plans, flood=flood, slow=slow,
                 restart=restart, footprint=footprint)


def main():
    faulthandler.register(signal.SIGUSR1, all_threads=True)
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--bin", default=os.path.join(ROOT, "build", "release", "bin"))
    p.add_argument("--minutes", type=float, default=1)
    p.add_argument("--restarts", type=int, default=100)
    p.add_argument("--presses", type=int, default=50)
    p.add_argument("--stalls", type=int, default=5)
    p.add_argument("scenarios", nargs="*", default=list(SCENARIOS))
    a = p.parse_args()
    for name in a.scenarios:
        with tempfile.TemporaryDirectory() as work:
            SCENARIOS[name](a, os.path.abspath(a.bin), work)


if __name__ == "__main__":
    main()
