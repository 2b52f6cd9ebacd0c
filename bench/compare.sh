#!/usr/bin/env bash
# Side-by-side timing of veltrane-cli against sox's synth effect on the
# largest job (120 s at 96000 Hz, stereo), in alternating pairs.
#
# For every signal and width it prints the median of the paired time ratios
# (ours / sox) with their min-max, our median wall time against our floor
# (the compute floor from bench_engine plus the time to write the job's
# bytes), and the peak resident memory of both programs.
#
# Usage: bench/compare.sh [BUILD_DIR]       (default: build)
# Environment:
#   PAIRS=N        pairs per job (default 9, at least 9 for the figures)
#   FRESH=1        delete both outputs before every run (outside the timing);
#                  by default each program overwrites its previous output,
#                  as a repeated job does
#   JOBS=regex     only the jobs whose label matches
#   SCRATCH=dir    where the outputs go (default: a new directory under /tmp)
#
# Needs sox, python3 and GNU time (/usr/bin/time); see bench/README.md.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
cli=$build/cli/veltrane-cli
bench=$build/bench/bench_engine
for need in "$cli" "$bench"; do
  [ -x "$need" ] || { echo "missing $need: build veltrane-cli and bench_engine first" >&2; exit 2; }
done
command -v sox >/dev/null || { echo "sox is not installed (see bench/README.md)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "GNU time (/usr/bin/time) is not installed" >&2; exit 2; }

scratch=${SCRATCH:-$(mktemp -d /tmp/veltrane-compare.XXXXXX)}
mkdir -p "$scratch"

exec python3 - "$cli" "$bench" "$scratch" "${PAIRS:-9}" "${FRESH:-0}" "${JOBS:-.}" <<'PY'
import json, os, re, statistics, subprocess, sys, time

cli, bench, scratch, pairs, fresh, only = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5] == "1", sys.argv[6]
ours_out = os.path.join(scratch, "veltrane.wav")
sox_out = os.path.join(scratch, "sox.wav")
rate = 96000

# label, our signal arguments, sox synth arguments, seconds, width, target
# ratio, floor kind and how many times the signal is computed.
jobs = []
for bits in (16, 24, 32):
    jobs.append((f"sine 1000 Hz {bits}-bit", ["sine", "--frequency", "1000"], ["sine", "1000"], 120, bits, 0.30, "sin", 1))
for bits in (16, 24, 32):
    jobs.append((f"sweep 20-20000 Hz {bits}-bit", ["sweep", "--start", "20", "--end", "20000"], ["sine", "20-20000"], 120, bits, 0.30, "sin", 1))
for bits, target in ((16, 0.30), (24, 0.50), (32, 0.50)):
    jobs.append((f"pink {bits}-bit", ["pink"], ["pinknoise"], 120, bits, target, "pink", 1))
for bits, target in ((16, 0.60), (24, 1.0), (32, 1.0)):
    jobs.append((f"white {bits}-bit", ["white"], ["whitenoise"], 120, bits, target, "gauss", 1))
# A tone of at most 10 s is computed twice: once to measure its DC, once to write it.
jobs.append(("sine 10 s 1000 Hz 24-bit", ["sine", "--frequency", "1000"], ["sine", "1000"], 10, 24, 0.50, "sin", 2))
jobs = [j for j in jobs if re.search(only, j[0])]


def our_command(job):
    _, signal, _, seconds, bits, *_ = job
    return [cli, *signal, "-d", str(seconds), "-r", str(rate), "-b", str(bits), "-a", "3",
            "--seed-time", "1700000000", "-q", "-o", ours_out]


def sox_command(job):
    _, _, synth, seconds, bits, *_ = job
    return ["sox", "-r", str(rate), "-c", "2", "-n", "-b", str(bits), "-e", "signed-integer",
            sox_out, "synth", str(seconds), *synth]


def timed(command, output):
    if fresh and os.path.exists(output):
        os.unlink(output)
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start


def peak_kib(command):
    result = subprocess.run(["/usr/bin/time", "-f", "%M", *command], stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True, check=True)
    return int(result.stderr.strip().splitlines()[-1])


# Per-sample costs of every piece, the floors among them, and the writer's
# time for a whole largest job: median and min-max over the repetitions.
print("measuring the per-sample costs with bench_engine ...", file=sys.stderr)
raw = subprocess.run([bench, "--benchmark_format=json", "--benchmark_repetitions=9",
                      "--benchmark_min_time=0.2"],
                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, check=True).stdout
runs = {}
for b in json.loads(raw)["benchmarks"]:
    if b.get("run_type") == "iteration":
        runs.setdefault(b["run_name"], []).append(b["per_sample"] * 1e9)
print("per-sample costs, ns (median, min-max of %d repetitions):" % max(len(v) for v in runs.values()))
for name, values in runs.items():
    print("  %-40s %8.3f  %8.3f-%.3f" % (name.replace("/iterations:5", ""), statistics.median(values),
                                        min(values), max(values)))
def per_sample(prefix):
    for name, values in runs.items():
        if name.startswith(prefix):
            return statistics.median(values)
    raise SystemExit(f"no figures for {prefix} in bench_engine's output")
floor_ns = {"sin": per_sample("BM_FloorSin"), "gauss": per_sample("BM_FloorGaussianPair"),
            "pink": per_sample("BM_FloorPinkRow")}
write_ns = {bits: per_sample(f"BM_Writer/bits:{bits}/file:1") for bits in (16, 24, 32)}
print("floors, ns per sample: sin %.2f, gaussian pair %.2f, pink row %.2f; writing %s\n" % (
    floor_ns["sin"], floor_ns["gauss"], floor_ns["pink"],
    ", ".join(f"{b}-bit {write_ns[b]:.2f}" for b in (16, 24, 32))))
print(f"{pairs} alternating pairs per job, outputs {'deleted before every run' if fresh else 'overwritten'}\n")

header = ("job", "ratio median", "min-max", "target", "ours ms", "sox ms", "floor ms", "ours/floor", "peak KiB ours/sox")
print("%-26s %12s %13s %6s %8s %8s %8s %10s %18s" % header)
failures = 0
for job in jobs:
    label, _, _, seconds, bits, target, kind, passes = job
    ours_cmd, sox_cmd = our_command(job), sox_command(job)
    timed(ours_cmd, ours_out); timed(sox_cmd, sox_out)  # warm the caches once
    ratios, ours_t, sox_t = [], [], []
    for k in range(pairs):
        if k % 2 == 0:
            a = timed(ours_cmd, ours_out); b = timed(sox_cmd, sox_out)
        else:
            b = timed(sox_cmd, sox_out); a = timed(ours_cmd, ours_out)
        ours_t.append(a); sox_t.append(b); ratios.append(a / b)
    samples = int(rate * seconds)
    floor_ms = (samples * floor_ns[kind] * passes + samples * write_ns[bits]) / 1e6
    ours_ms = statistics.median(ours_t) * 1e3
    ratio = statistics.median(ratios)
    peaks = f"{peak_kib(ours_cmd)}/{peak_kib(sox_cmd)}"
    mark = "" if ratio <= target and ours_ms <= 1.3 * floor_ms else "  <-- over"
    failures += bool(mark)
    print("%-26s %12.3f %6.3f-%-6.3f %6.2f %8.1f %8.1f %8.1f %10.2f %18s%s" % (
        label, ratio, min(ratios), max(ratios), target, ours_ms, statistics.median(sox_t) * 1e3,
        floor_ms, ours_ms / floor_ms, peaks, mark))
sys.exit(1 if failures else 0)
PY
