#!/usr/bin/env bash
# Side-by-side timing of veltrane-cli against its peers on the largest job
# (120 s at 96000 Hz, stereo) of every signal and width, and on a 10 s tone:
# ffmpeg's lavfi sources where ffmpeg has one (it has no sweep) and sox's
# synth effect. Whole processes, timed in pairs: ours and the peer run in
# turn, ours first in the even pairs and second in the odd ones, so that
# neither always runs in the other's wake. Every program runs once untimed
# before its pairs; before every run (outside its time) its previous output
# is removed, so that each run writes a new file, and the data written so
# far is synced to disk. (Replacing a file also releases the old one's
# blocks, which on a disk mounted with discard waits for the device: the
# same cost for every program, set REPLACE=1 to include it.)
#
# For every job it prints our median wall time, each peer's, the median of
# the per-pair ratios ours/peer with their min-max and target, the one-core
# check and the peak resident memory (GNU time %M) of each program, marks
# every missed target with "!" and its row with "<-- over":
#   ours <= 0.6 x ffmpeg on every largest job ffmpeg can make;
#   ours <= 0.5 x sox for white noise and <= 0.15 x sox for the other
#   largest jobs (sine, sweep, pink);
#   the 10 s tone: ours <= 0.3 x sox; its ffmpeg ratio is shown without a
#   target;
#   one core (only with BASELINE): ours and the BASELINE build's
#   veltrane-cli, both under `taskset -c 0`, in alternating pairs with the
#   same arguments: median new/baseline <= 1.05;
#   peak memory of ours under 16 MB (16384 KiB).
# Exits 1 when a target is missed, 2 when something is missing or a run fails.
#
# Usage: bench/compare.sh [BUILD_DIR]       (default: build, holding cli/veltrane-cli)
# Environment:
#   PAIRS=N        pairs per job and peer, and for the one-core check (default 9)
#   JOBS=regex     only the jobs whose label matches (Python regex, e.g.
#                  JOBS='white|10 s' or JOBS='^sine 1000 Hz 16')
#   BASELINE=DIR   a build directory of an earlier veltrane (DIR/cli/veltrane-cli)
#                  for the one-core check; without it the check is skipped
#   REPLACE=1      every run replaces the output of the run before
#   SCRATCH=dir    where the outputs go, kept after the run (default: a new
#                  directory under /tmp, removed at the end)
#
# Needs ffmpeg, sox, python3, taskset and GNU time (/usr/bin/time); see
# bench/README.md.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
cli=$build/cli/veltrane-cli
[ -x "$cli" ] || { echo "missing $cli: build veltrane-cli first" >&2; exit 2; }
for tool in sox ffmpeg taskset python3; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (see bench/README.md)" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "GNU time (/usr/bin/time) is not installed" >&2; exit 2; }
baseline=""
if [ -n "${BASELINE:-}" ]; then
  baseline=$BASELINE/cli/veltrane-cli
  [ -x "$baseline" ] || { echo "missing $baseline" >&2; exit 2; }
fi
pairs=${PAIRS:-9}
[[ $pairs =~ ^[1-9][0-9]*$ ]] || { echo "PAIRS must be a positive whole number" >&2; exit 2; }

# A scratch directory of our own is removed at the end (its outputs take up
# to 370 MB); one given by SCRATCH keeps the last outputs.
if [ -n "${SCRATCH:-}" ]; then
  scratch=$SCRATCH
  mkdir -p "$scratch"
else
  scratch=$(mktemp -d /tmp/veltrane-compare.XXXXXX)
  trap 'rm -rf "$scratch"' EXIT
fi

python3 - "$cli" "$baseline" "$scratch" "$pairs" "${JOBS:-.}" <<'PY'
import os, re, statistics, subprocess, sys, time


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(2)


cli, baseline, scratch, pairs, only = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5]
rate = 96000
out = {name: os.path.join(scratch, name + ".wav") for name in ("ours", "base", "sox", "ffmpeg")}

# label, our signal arguments, sox synth arguments, ffmpeg lavfi source
# (None: ffmpeg has none), seconds, width, sox target, ffmpeg target
# (None: printed without one).
jobs = []
for bits in (16, 24, 32):
    jobs.append((f"sine 1000 Hz {bits}-bit", ["sine", "--frequency", "1000"], ["sine", "1000"],
                 "sine=f=1000:r=96000:d=120", 120, bits, 0.15, 0.6))
for bits in (16, 24, 32):
    jobs.append((f"sweep 20-20000 Hz {bits}-bit", ["sweep", "--start", "20", "--end", "20000"],
                 ["sine", "20-20000"], None, 120, bits, 0.15, None))
for bits in (16, 24, 32):
    jobs.append((f"pink {bits}-bit", ["pink"], ["pinknoise"],
                 "anoisesrc=d=120:c=pink:r=96000:a=0.7", 120, bits, 0.15, 0.6))
for bits in (16, 24, 32):
    jobs.append((f"white {bits}-bit", ["white"], ["whitenoise"],
                 "anoisesrc=d=120:c=white:r=96000:a=0.7", 120, bits, 0.5, 0.6))
# A tone of at most 10 s is computed twice: once to measure its DC, once to write it.
jobs.append(("sine 10 s 1000 Hz 24-bit", ["sine", "--frequency", "1000"], ["sine", "1000"],
             "sine=f=1000:r=96000:d=10", 10, 24, 0.3, None))
jobs = [j for j in jobs if re.search(only, j[0])]
if not jobs:
    fail(f"no job matches JOBS={only!r}")


def commands(job):
    _, signal, synth, source, seconds, bits, *_ = job
    ours = [cli, *signal, "-d", str(seconds), "-r", str(rate), "-b", str(bits), "-a", "3",
            "--seed-time", "1700000000", "-q", "-o", out["ours"]]
    sox = ["sox", "-r", str(rate), "-c", "2", "-n", "-b", str(bits), "-e", "signed-integer", out["sox"],
           "synth", str(seconds), *synth]
    ffmpeg = None
    if source:
        ffmpeg = ["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i", source,
                  "-af", "pan=stereo|c0=c0|c1=c0", "-c:a", f"pcm_s{bits}le", out["ffmpeg"]]
    return ours, sox, ffmpeg


def run(command, **kwargs):
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, **kwargs)
    if result.returncode != 0:
        fail(f"failed ({result.returncode}): {' '.join(command)}\n{result.stderr}")
    return result


replace = os.environ.get("REPLACE", "") not in ("", "0")


def timed(command):
    # Each run starts with the data of the runs before it on disk, so that
    # no program pays for another's write-back, and (unless REPLACE) writes
    # a new file, so that none pays for releasing another's.
    if not replace:
        for path in set(command) & set(out.values()):
            if os.path.exists(path):
                os.remove(path)
    os.sync()
    start = time.perf_counter()
    run(command)
    return time.perf_counter() - start


def paired(first, second):
    """Times the two commands in turn, `first` first in the even pairs;
    returns the times of each and the per-pair ratios first/second."""
    timed(first)  # warm the caches once
    timed(second)
    a, b = [], []
    for k in range(pairs):
        if k % 2 == 0:
            a.append(timed(first)); b.append(timed(second))
        else:
            b.append(timed(second)); a.append(timed(first))
    return a, b, [x / y for x, y in zip(a, b)]


def peak_kib(command):
    stderr = run(["/usr/bin/time", "-f", "%M", *command]).stderr
    return int(stderr.strip().splitlines()[-1])


def ms(times):
    return "%.1f" % (statistics.median(times) * 1e3) if times else "-"


def ratio_cell(ratios, target):
    """The median ratio with min-max and target, and whether it is met."""
    if ratios is None:
        return "-", True
    m = statistics.median(ratios)
    ok = target is None or m <= target
    return f"{m:.3f} ({min(ratios):.2f}-{max(ratios):.2f}){'' if ok else '!'} /{target or '-'}", ok


print(f"{pairs} pairs per job and peer; times are medians in ms; ratios are medians of the "
      "per-pair ratios (min-max), the target after the slash, '!' where missed; "
      + ("every run replaces the file of the run before" if replace else "every run writes a new file"))
if not baseline:
    print("one-core check skipped: set BASELINE to an earlier build directory")
print()
columns = [("%-25s", "job"), ("%7s", "ours"), ("%7s", "ffmpeg"), ("%-24s", "ours/ffmpeg"),
           ("%7s", "sox"), ("%-24s", "ours/sox")]
if baseline:
    columns.append(("%-24s", "1 core new/base"))
columns.append(("%s", "peak KiB ours/ffmpeg/sox"))
row = " ".join(f for f, _ in columns)
print(row % tuple(name for _, name in columns))

over = 0
for job in jobs:
    label, *_, sox_target, ffmpeg_target = job
    ours, sox, ffmpeg = commands(job)
    ours_times = []

    ff_times, ff_ratios = None, None
    if ffmpeg:
        a, ff_times, ff_ratios = paired(ours, ffmpeg)
        ours_times += a
    a, sox_times, sox_ratios = paired(ours, sox)
    ours_times += a
    ff_cell, ff_ok = ratio_cell(ff_ratios, ffmpeg_target)
    sox_cell, sox_ok = ratio_cell(sox_ratios, sox_target)
    cells = [label, ms(ours_times), ms(ff_times), ff_cell, ms(sox_times), sox_cell]

    one_ok = True
    if baseline:
        new_one = ["taskset", "-c", "0", *ours]
        base_one = ["taskset", "-c", "0", baseline, *ours[1:-1], out["base"]]
        one_cell, one_ok = ratio_cell(paired(new_one, base_one)[2], 1.05)
        cells.append(one_cell)

    peaks = [peak_kib(ours)] + ([peak_kib(ffmpeg)] if ffmpeg else ["-"]) + [peak_kib(sox)]
    memory_ok = peaks[0] < 16384
    cells.append("/".join(map(str, peaks)) + ("" if memory_ok else "!"))

    ok = ff_ok and sox_ok and one_ok and memory_ok
    over += not ok
    print(row % tuple(cells) + ("" if ok else "  <-- over"), flush=True)

print()
print(f"{over} of {len(jobs)} jobs over a target" if over else f"all {len(jobs)} jobs within their targets")
sys.exit(1 if over else 0)
PY
