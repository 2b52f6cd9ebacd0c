#!/usr/bin/env bash
# The Windows veltrane-cli run under Wine as a user would, for what the
# suites that drive the Linux program through bash and signals check there:
# standard output in binary mode, a UTF-8 file name, a read-only target
# refused untouched, and Ctrl-C (Wine hands a SIGINT to the program as the
# console's Ctrl-C) leaving the old target, no temporary file, status 130.
#
#   tests/cli/under_wine.sh CLI     (CLI: the build's wrapper that runs the .exe under Wine)
set -u
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# Standard output carries the file's very bytes: no 0A becomes 0D 0A.
"$cli" sweep -b 24 --seed-time 9 -q -o s.wav >/dev/null || fail "a sweep could not be written"
"$cli" sweep -b 24 --seed-time 9 -o - >piped.wav 2>/dev/null || fail "-o - failed"
cmp -s s.wav piped.wav || fail "-o - gave other bytes than the file ($(stat -c %s piped.wav) bytes)"

# A UTF-8 name reaches the file system intact, and the summary names it.
summary=$("$cli" sine -q -o 'Prüfton ♪.wav') || fail "a UTF-8 name could not be written"
[ -s 'Prüfton ♪.wav' ] || fail "no file 'Prüfton ♪.wav'"
[[ $summary == 'Prüfton ♪.wav: sine 440 Hz, '* ]] || fail "summary: $summary"

# A read-only target is refused with its path and the system's reason.
printf old >ro.wav
chmod a-w ro.wav
message=$("$cli" sine -q -o ro.wav 2>&1)
code=$?
[ "$code" = 1 ] || fail "read-only target: status $code"
[ "$message" = 'veltrane-cli: cannot write "ro.wav": Permission denied' ] || fail "read-only target: $message"
[ "$(cat ro.wav)" = old ] || fail "the read-only target changed"

# Ctrl-C in the middle of a long job.
printf old >T.wav
env --default-signal=INT "$cli" sine -d 120 -r 96000 -b 32 -o T.wav >out 2>err &
pid=$!
for _ in $(seq 1 300); do
  temporary=$(find . -maxdepth 1 -name '.T.wav.*' -size +1k | head -1)
  [ -n "$temporary" ] && break
  sleep 0.1
done
[ -n "$temporary" ] || fail "the job's temporary file did not appear"
kill -INT "$pid"
wait "$pid"
code=$?
[ "$code" = 130 ] || fail "Ctrl-C: status $code"
[ "$(cat T.wav)" = old ] || fail "Ctrl-C: the target changed"
left=$(find . -maxdepth 1 -name '.T.wav.*')
[ -z "$left" ] || fail "Ctrl-C left $left"
[ "$(cat err)" = 'veltrane-cli: interrupted by Ctrl-C; "T.wav" was not changed' ] || fail "Ctrl-C: $(cat err)"

[ "$failures" = 0 ] && echo "veltrane-cli.exe under Wine: all checks passed"
exit $((failures > 0))
