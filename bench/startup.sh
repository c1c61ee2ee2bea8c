#!/bin/bash
# Start-up of the real window: starts build/mirt on a game under Xvfb RUNS
# times and prints, per run and as medians, the time from exec to the first
# text on the screen (the first "text" event of the trace, which is written
# when the text is drawn and presented), the part of it before the player's
# start ("start" event, t = 0) and the resident memory one second after the
# first text, with where it goes (/proc/PID/smaps_rollup, /proc/PID/smaps).
# The CPU time to the first text and the time spent runnable but waiting for
# a processor (schedstat) tell a slow start from a busy machine.
#
#   bench/startup.sh [-n RUNS] [-b BUILD_DIR] [GAME_DIR]
#
# GAME_DIR defaults to BUILD_DIR/demo. Each run plays a fresh copy of the
# game with its own home folders (no settings, no lock of another mirt), and
# one run before the counted ones warms the caches (fontconfig, the page
# cache). Needs xvfb-run and python3.
set -eu
runs=7
build=build
while getopts n:b: opt; do
  case $opt in
    n) runs=$OPTARG ;;
    b) build=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
game=${1:-$build/demo}
[ -x "$build/mirt" ] || { echo "no $build/mirt" >&2; exit 1; }
[ -e "$game/init.def" ] || [ -e "$game/INIT.DEF" ] || { echo "no init.def in $game" >&2; exit 1; }

read -r -d '' probe <<'PY' || true
import json, os, shutil, signal, statistics, subprocess, sys, tempfile, time

mirt, game, runs = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), int(sys.argv[3])
work = tempfile.mkdtemp(prefix="mirt-startup-")
cache = os.path.join(work, "cache")  # kept across runs, as a desktop's would be

def rss_breakdown(pid):
    out = {}
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            k, _, v = line.partition(":")
            if v.strip().endswith("kB"):
                out[k] = int(v.split()[0])
    # Resident kB per mapping kind: the heap and other anonymous memory, the
    # program, and each shared library or mapped file.
    per, name = {}, None
    with open(f"/proc/{pid}/smaps") as f:
        for line in f:
            head = line.split()
            if "-" in head[0] and len(head) >= 5 and not head[0].endswith(":"):
                name = head[5] if len(head) >= 6 else "[anon]"
            elif head[0] == "Rss:":
                per[name] = per.get(name, 0) + int(head[1])
    return out, per

def cpu_and_wait(pid):
    # Over the live threads, from /proc/PID/task/*/schedstat: ms on a
    # processor and ms runnable but waiting for one (the machine's load).
    run = wait = 0
    for t in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{t}/schedstat") as f:
                a, b, _ = f.read().split()
            run += int(a); wait += int(b)
        except (OSError, ValueError):
            pass
    return run / 1e6, wait / 1e6

def run_once(i):
    d = os.path.join(work, f"run{i}")
    home = os.path.join(d, "home")
    os.makedirs(home)
    os.chmod(d, 0o700)  # the runtime folder, as Qt wants it
    g = shutil.copytree(game, os.path.join(d, "game"))
    trace = os.path.join(d, "trace.jsonl")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local/share"), XDG_CACHE_HOME=cache,
               XDG_RUNTIME_DIR=d)
    env.pop("QT_QPA_PLATFORM", None)
    t0 = time.monotonic_ns()
    p = subprocess.Popen([mirt, "--trace", trace, g], env=env,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    first = None
    while first is None:
        if p.poll() is not None:
            sys.exit(f"mirt ended before showing text (exit {p.returncode})")
        try:
            with open(trace) as f:
                for line in f:
                    if '"ev":"text"' in line:
                        first = ((time.monotonic_ns() - t0) / 1e6, json.loads(line)["t"],
                                 *cpu_and_wait(p.pid))
                        break
        except FileNotFoundError:
            pass
        if first is None:
            time.sleep(0.0002)
        if time.monotonic_ns() - t0 > 20e9:
            p.kill()
            sys.exit("no text within 20 s")
    time.sleep(1.0)
    mem = rss_breakdown(p.pid)
    p.send_signal(signal.SIGTERM)
    try:
        p.wait(10)
    except subprocess.TimeoutExpired:
        p.kill()
        p.wait()
    return first, mem

run_once(0)  # warm-up, not counted
rows = []
for i in range(1, runs + 1):
    (ms, t, cpu, wait), (roll, per) = run_once(i)
    rows.append((ms, ms - t, t, roll["Rss"] / 1024, roll.get("Anonymous", 0) / 1024,
                 roll.get("Pss", 0) / 1024, cpu, wait, per))
    print(f"run {i}: first text {ms:6.1f} ms after exec (exec to start {ms - t:6.1f}, "
          f"start to text {t:4d}; CPU {cpu:5.1f}, waiting for a CPU {wait:5.1f}); RSS {roll['Rss'] / 1024:5.1f} MB "
          f"(anonymous {roll.get('Anonymous', 0) / 1024:5.1f} MB, "
          f"PSS {roll.get('Pss', 0) / 1024:5.1f} MB)", flush=True)
med = lambda k: statistics.median(r[k] for r in rows)
print(f"median of {runs}: first text {med(0):.1f} ms after exec (exec to start {med(1):.1f}, "
      f"start to text {med(2):.0f}; CPU {med(6):.1f}, waiting for a CPU {med(7):.1f}); "
      f"less the wait {statistics.median(r[0] - r[7] for r in rows):.1f} ms; "
      f"RSS {med(3):.1f} MB, anonymous {med(4):.1f} MB, "
      f"PSS {med(5):.1f} MB")
with open("/proc/loadavg") as f:
    print("load average while measuring:", f.read().split()[0])
per = rows[-1][8]
print("resident memory of the last run by mapping, MB:")
for name, kb in sorted(per.items(), key=lambda x: -x[1])[:16]:
    print(f"  {kb / 1024:6.1f}  {name}")
shutil.rmtree(work, ignore_errors=True)
PY

exec xvfb-run -a -s "-screen 0 1280x1024x24" python3 -c "$probe" "$build/mirt" "$game" "$runs"
