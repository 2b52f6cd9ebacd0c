#!/usr/bin/env bash
# Side-by-side timing of veltrane-cli against its peers on the largest job
# (120 s at 96000 Hz, stereo) of every signal and width, and on a 10 s tone:
# sox's synth effect, and ffmpeg's lavfi sources where ffmpeg has one (it has
# no sweep). Whole processes, run in turn within each round, the order
# rotating from round to round; before every run (outside its time) the
# data written so far is synced to disk.
#
# For every job it prints our median wall time, each peer's, the median of
# the per-round ratios ours/peer with their min-max and target, the one-core
# check and the peak resident memory of each program, and marks every target
# missed:
#   ours <= 0.6 x ffmpeg on every largest job ffmpeg can make;
#   ours <= 0.5 x sox for white noise and <= 0.15 x sox for the other
#   largest jobs; <= 0.3 x sox for the 10 s tone (its ffmpeg ratio is shown
#   without a target);
#   one core: ours under `taskset -c 0` at most 1.05 x the BASELINE build's
#   veltrane-cli under the same taskset, in alternating pairs;
#   peak memory of ours under 16 MB.
# Exits 1 when a target is missed.
#
# Usage: bench/compare.sh [BUILD_DIR]       (default: build)
# Environment:
#   PAIRS=N        rounds per job (default 9)
#   BASELINE=DIR   a build directory of an earlier veltrane (DIR/cli/veltrane-cli)
#                  for the one-core check; without it the check is skipped
#   JOBS=regex     only the jobs whose label matches
#   SCRATCH=dir    where the outputs go (default: a new directory under /tmp)
#
# Needs sox, ffmpeg, python3, taskset and GNU time (/usr/bin/time); see
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

scratch=${SCRATCH:-$(mktemp -d /tmp/veltrane-compare.XXXXXX)}
mkdir -p "$scratch"

exec python3 - "$cli" "$baseline" "$scratch" "${PAIRS:-9}" "${JOBS:-.}" <<'PY'
import os, re, statistics, subprocess, sys, time

cli, baseline, scratch, rounds, only = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5]
rate = 96000
out = {name: os.path.join(scratch, name + ".wav") for name in ("ours", "base", "sox", "ffmpeg")}

# label, our signal arguments, sox synth arguments, ffmpeg lavfi source
# (None: no such source), seconds, width, sox target, ffmpeg target.
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


def timed(command):
    # Each run starts with the data of the runs before it on disk, so that
    # no program pays for another's write-back.
    os.sync()
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start


def peak_kib(command):
    result = subprocess.run(["/usr/bin/time", "-f", "%M", *command], stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True, check=True)
    return int(result.stderr.strip().splitlines()[-1])


def spread(values):
    return statistics.median(values), min(values), max(values)


def ratio_cell(ratios, target):
    if not ratios:
        return "-", True
    m, lo, hi = spread(ratios)
    ok = target is None or m <= target
    mark = "" if ok else "!"
    return f"{m:.3f} ({lo:.2f}-{hi:.2f}){mark} /{target if target is not None else '-'}", ok


print(f"{rounds} rounds per job; targets after the slash, '!' where missed; times are medians in ms")
if not baseline:
    print("one-core check skipped: set BASELINE to an earlier build directory")
print()
header = ("job", "ours", "sox", "ours/sox", "ffmpeg", "ours/ffmpeg", "1 core new/base", "peak KiB ours/sox/ffmpeg")
row = "%-25s %7s %7s %-24s %7s %-24s %-22s %s"
print(row % header)
missed = 0
for job in jobs:
    label, *_, sox_target, ffmpeg_target = job
    ours, sox, ffmpeg = commands(job)
    programs = [("ours", ours), ("sox", sox)] + ([("ffmpeg", ffmpeg)] if ffmpeg else [])
    for _, command in programs:
        timed(command)  # warm the caches once
    times = {name: [] for name, _ in programs}
    for k in range(rounds):
        turn = programs[k % len(programs):] + programs[:k % len(programs)]
        for name, command in turn:
            times[name].append(timed(command))
    sox_cell, sox_ok = ratio_cell([a / b for a, b in zip(times["ours"], times["sox"])], sox_target)
    ff_cell, ff_ok = ratio_cell([a / b for a, b in zip(times["ours"], times.get("ffmpeg", []))],
                                ffmpeg_target if ffmpeg else None)
    one_ok = True
    one_cell = "-"
    if baseline:
        new_one = ["taskset", "-c", "0", *ours]
        base_one = ["taskset", "-c", "0", baseline, *ours[1:-1], out["base"]]
        one = []
        for k in range(rounds):
            if k % 2 == 0:
                a = timed(new_one); b = timed(base_one)
            else:
                b = timed(base_one); a = timed(new_one)
            one.append(a / b)
        one_cell, one_ok = ratio_cell(one, 1.05)
    peaks = [peak_kib(ours), peak_kib(sox)] + ([peak_kib(ffmpeg)] if ffmpeg else [])
    memory_ok = peaks[0] < 16384
    ok = sox_ok and ff_ok and one_ok and memory_ok
    missed += not ok
    ms = lambda name: "%.1f" % (statistics.median(times[name]) * 1e3) if name in times else "-"
    print(row % (label, ms("ours"), ms("sox"), sox_cell, ms("ffmpeg"), ff_cell, one_cell,
                 "/".join(map(str, peaks)) + ("" if memory_ok else "!")) + ("" if ok else "  <-- over"))
sys.exit(1 if missed else 0)
PY
