#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
#
#   ./test.sh               release build, the whole suite
#   ./test.sh --ci          also: the suite under AddressSanitizer and
#                           UndefinedBehaviorSanitizer (leak checks on), the
#                           non-Qt suites under ThreadSanitizer, and every
#                           fuzz target for a short bounded time; builds the
#                           Debian package, checks it, installs, uses and
#                           removes it
#                           (each test program also run whole, so that state
#                           one test leaves behind reaches the next); the
#                           suite and a matrix of files again with the
#                           baseline kernels; the libraries, veltrane-cli and
#                           their tests cross-built for arm64, s390x and i386
#                           and run under qemu-user, their files compared
#                           byte for byte with this machine's; the same for
#                           Windows (MinGW-w64), run under Wine, with the
#                           Windows dialog and zip, the dialog driven under
#                           Wine
#   ./test.sh --fuzz [S]    only the fuzz targets, S seconds each (default 30)
#   ./test.sh --cross T     only the cross check for target T (a file name in
#                           cmake/toolchains/ without .cmake)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/ensure-packages.sh

mode=release
cross_targets=(aarch64-linux-gnu s390x-linux-gnu i686-linux-gnu x86_64-w64-mingw32)
fuzz_seconds=30
case "${1:-}" in
  "") ;;
  --ci) mode=ci ;;
  --fuzz) mode=fuzz; fuzz_seconds=${2:-30} ;;
  --cross) mode=cross; cross_targets=("${2:?usage: $0 --cross TARGET}") ;;
  *) echo "usage: $0 [--ci | --fuzz [SECONDS]]" >&2; exit 2 ;;
esac

jobs=$(nproc)

build_and_test() {  # dir, ctest args..., -- cmake args...
  local dir=$1; shift
  local ctest_args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do ctest_args+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j"$jobs" "${ctest_args[@]}"
}

# Runs every test program whole, in one process, as well as one test per
# process as CTest does.
run_whole() {  # build dir
  local program
  for program in "$1"/tests/test_*; do
    [ -x "$program" ] || continue
    echo "whole: $(basename "$program")"
    QT_QPA_PLATFORM=offscreen VELTRANE_CLI="$PWD/$1/cli/veltrane-cli" "$program" --gtest_brief=1 >/dev/null ||
      { echo "$(basename "$program") failed when run whole" >&2; exit 1; }
  done
}

cross_packages=(googletest qemu-user)
windows_target=x86_64-w64-mingw32
windows_packages=(googletest g++-mingw-w64-x86-64-posix wine64 wine)

# The Debian packages a cross check needs for each target given.
cross_needs() {  # targets...
  local target
  for target in "$@"; do
    if [ "$target" = "$windows_target" ]; then
      echo "${windows_packages[@]}"
    else
      echo "${cross_packages[@]}" "g++-$target"
    fi
  done
}

# Builds the libraries, veltrane-cli.exe and their tests for Windows with
# MinGW-w64, runs the tests under Wine (in a prefix of the build's own; its
# first start takes a while, so it is made before the tests, and one server
# serves every run), and renders the matrix with the .exe: it must be byte
# for byte the one rendered on this machine.
windows_check() {  # native matrix dir
  local native=$1 dir=build-$windows_target started=$SECONDS
  echo "== cross: $windows_target (under Wine)"
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$windows_target.cmake" -DCMAKE_BUILD_TYPE=Release \
    >/dev/null
  local wine_dir=/usr/lib/wine
  export WINEPREFIX=$PWD/$dir/wine-prefix WINEDEBUG=-all
  # One server for every run, ended below (or when the check fails); then
  # the prefix. (Making it reports the 32-bit part that this 64-bit Wine
  # lacks; no failure.)
  mkdir -p "$WINEPREFIX"
  "$wine_dir/wineserver" -p
  trap "\"$wine_dir/wineserver\" -k 2>/dev/null" EXIT
  [ -f "$WINEPREFIX/system.reg" ] || timeout 300 "$wine_dir/wine64" wineboot -i 2>/dev/null || true
  cmake --build "$dir" -j"$jobs"
  # A Wine run that hangs or fails to start (rare) is run once more; a test
  # that fails twice fails the check. (The same tests run natively, and
  # three times more under the sanitizers, without a second chance.)
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 120 --repeat until-pass:2
  rm -rf "$dir/matrix"
  scripts/render-matrix.sh "$dir/matrix" "$dir/veltrane-cli-emulated"
  "$wine_dir/wineserver" -k || true
  trap - EXIT
  unset WINEPREFIX WINEDEBUG
  diff -r "$native" "$dir/matrix"
  echo "$windows_target: $(ls "$dir/matrix" | grep -c '\.wav$') files identical to this machine's" \
    "($((SECONDS - started)) s)"
}

# Builds the libraries, veltrane-cli and their tests for a target with
# Debian's cross compiler, runs the tests under qemu-user, and renders the
# matrix there: it must be byte for byte the one rendered on this machine.
cross_check() {  # triplet, native matrix dir
  local target=$1 native=$2 dir=build-$1
  if [ "$target" = "$windows_target" ]; then
    windows_check "$native"
    return
  fi
  echo "== cross: $target"
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$target.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DVELTRANE_BUILD_APP=OFF -DVELTRANE_BUILD_BENCH=OFF >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 900
  rm -rf "$dir/matrix"
  # The build's wrapper runs the target's program through the emulator.
  scripts/render-matrix.sh "$dir/matrix" "$dir/veltrane-cli-emulated"
  diff -r "$native" "$dir/matrix"
  echo "$target: $(ls "$dir/matrix" | grep -c '\.wav$') files identical to this machine's"
}

native_matrix() {  # build dir -> renders build/matrix, and again with the baseline kernels
  rm -rf "$1/matrix" "$1/matrix-baseline"
  scripts/render-matrix.sh "$1/matrix" "$1/cli/veltrane-cli"
  VELTRANE_ISA=baseline scripts/render-matrix.sh "$1/matrix-baseline" "$1/cli/veltrane-cli"
  diff -r "$1/matrix" "$1/matrix-baseline"
  echo "baseline kernels: $(ls "$1/matrix" | grep -c '\.wav$') files identical"
}

windows_dialog_packages=(xvfb xdotool imagemagick)

# The Windows dialog, after the Windows check has built everything in its
# directory (the dialog rules' suite under Wine among it): makes the zip and
# checks what it holds, and drives the dialog under Wine in a virtual display
# (scripts/win-dialog-check.sh) against the native command line's file.
windows_dialog() {  # native build dir
  local dir=build-$windows_target version
  echo "== Windows dialog and zip"
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$windows_target.cmake" -DCMAKE_BUILD_TYPE=Release \
    >/dev/null
  cmake --build "$dir" -j"$jobs" --target veltrane veltrane-cli
  version=$(sed -n 's/^project(Veltrane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  rm -f "$dir"/veltrane-*-windows-x86_64.zip
  (cd "$dir" && cpack -G ZIP >/dev/null)
  local listing name
  listing=$(cmake -E tar tf "$dir/veltrane-$version-windows-x86_64.zip")
  for name in veltrane.exe veltrane-cli.exe LICENSE.txt README.txt; do
    grep -qx "veltrane-$version-windows-x86_64/$name" <<<"$listing" || { echo "the zip lacks $name" >&2; return 1; }
  done
  echo "veltrane-$version-windows-x86_64.zip: $(wc -l <<<"$listing") files"
  scripts/win-dialog-check.sh "$dir" "$1/cli/veltrane-cli"
}

run_fuzzers() {
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANE_FUZZ=ON \
    -DVELTRANE_BUILD_TESTS=OFF -DVELTRANE_BUILD_BENCH=OFF -DVELTRANE_BUILD_APP=OFF >/dev/null
  cmake --build build-fuzz -j"$jobs"
  local target corpus work
  for target in build-fuzz/tests/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    corpus=tests/fuzz/corpus/$(basename "$target" | sed 's/^fuzz_//')
    work=$(mktemp -d)
    [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
    echo "fuzzing $(basename "$target") for ${fuzz_seconds}s"
    (cd "$work" && "$OLDPWD/$target" -max_total_time="$fuzz_seconds" -timeout=20 -rss_limit_mb=2048 \
      -print_final_stats=0 . 2>fuzz.log) || { tail -40 "$work/fuzz.log"; exit 1; }
    tail -1 "$work/fuzz.log"
    rm -rf "$work"
  done
}

# Builds the Debian source and binary packages from the tree's files (what is
# committed, with changes to tracked files) with dpkg-buildpackage, which runs
# the test suite; checks them with lintian; installs the package, renders a
# file with the installed program and removes it again. A second binary build
# in another directory, later, without the tests, must give byte-identical
# .deb files.
check_package() {
  ensure_packages "${VELTRANE_PACKAGE_TOOLS[@]}"
  local version arch
  version=$(dpkg-parsechangelog -S Version)
  arch=$(dpkg --print-architecture)
  local cmake_version
  cmake_version=$(sed -n 's/^project(Veltrane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  if [ "$version" != "$cmake_version" ]; then
    echo "debian/changelog is at $version, CMakeLists.txt at $cmake_version" >&2
    return 1
  fi
  pkg_work=$(mktemp -d)
  trap 'dpkg --purge veltrane >/dev/null 2>&1 || true; rm -rf "$pkg_work"' EXIT
  local tree first second
  tree=$(git stash create)
  first=$pkg_work/one/veltrane
  second=$pkg_work/second-build/veltrane-$version
  mkdir -p "$first" "$second"
  git archive "${tree:-HEAD}" | tar -x -C "$first"
  git archive "${tree:-HEAD}" | tar -x -C "$second"

  echo "== dpkg-buildpackage: source and binary packages, with the test suite"
  (cd "$first" && dpkg-buildpackage -us -uc -j"$jobs")
  local changes=$pkg_work/one/veltrane_${version}_${arch}.changes
  echo "== lintian $(basename "$changes")"
  lintian --fail-on error,warning --info "$changes"

  dpkg -i "$pkg_work/one/veltrane_${version}_${arch}.deb"
  desktop-file-validate /usr/share/applications/veltrane.desktop
  appstreamcli validate --no-net /usr/share/metainfo/io.github.veltrane.Veltrane.metainfo.xml
  (cd "$pkg_work" && veltrane-cli sine --note A4 -d 1 -q -o a4.wav)
  local kind
  kind=$(file -b "$pkg_work/a4.wav")
  echo "$kind"
  [[ $kind == *'RIFF (little-endian) data, WAVE audio'* ]]
  man -w veltrane-cli
  man -w veltrane
  dpkg --purge veltrane

  echo "== dpkg-buildpackage again, elsewhere, without the tests: the same .deb files"
  (cd "$second" && DEB_BUILD_OPTIONS=nocheck TZ=Pacific/Auckland LC_ALL=C.UTF-8 dpkg-buildpackage -us -uc -b -j"$jobs")
  local deb same=1
  for deb in "$pkg_work"/one/*.deb; do
    if cmp -s "$deb" "$pkg_work/second-build/$(basename "$deb")"; then
      echo "identical: $(basename "$deb")"
    else
      same=0
      echo "DIFFERENT: $(basename "$deb")" >&2
      if command -v diffoscope >/dev/null; then
        diffoscope "$deb" "$pkg_work/second-build/$(basename "$deb")" >&2 || true
      fi
    fi
  done
  [ "$same" = 1 ]
  trap - EXIT
  rm -rf "$pkg_work"
}

case $mode in
  release)
    ensure_packages
    build_and_test "${VELTRANE_BUILD_DIR:-build}" -- -DCMAKE_BUILD_TYPE=Release
    ;;
  ci)
    # shellcheck disable=SC2046 # one package name a word
    ensure_packages clang libclang-rt-14-dev lintian desktop-file-utils appstream man-db \
      $(cross_needs "${cross_targets[@]}") "${windows_dialog_packages[@]}"
    build_and_test build -- -DCMAKE_BUILD_TYPE=Release
    echo "== the baseline kernels"
    VELTRANE_ISA=baseline QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$jobs"
    native_matrix build
    for target in "${cross_targets[@]}"; do
      cross_check "$target" build/matrix
    done
    windows_dialog build
    echo "== Debian package"
    check_package
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer, leak checks on"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      build_and_test build-asan -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANE_SANITIZE=address,undefined \
        -DVELTRANE_BUILD_BENCH=OFF
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      run_whole build-asan
    echo "== ThreadSanitizer (the libraries and the command line; Qt is not instrumented)"
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
      build_and_test build-tsan -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANE_SANITIZE=thread \
        -DVELTRANE_BUILD_APP=OFF -DVELTRANE_BUILD_BENCH=OFF
    echo "== fuzzing"
    run_fuzzers
    ;;
  fuzz)
    ensure_packages clang libclang-rt-14-dev
    run_fuzzers
    ;;
  cross)
    # shellcheck disable=SC2046 # one package name a word
    ensure_packages $(cross_needs "${cross_targets[@]}")
    build_and_test build -- -DCMAKE_BUILD_TYPE=Release
    native_matrix build
    cross_check "${cross_targets[0]}" build/matrix
    if [ "${cross_targets[0]}" = "$windows_target" ]; then
      ensure_packages "${windows_dialog_packages[@]}"
      windows_dialog build
    fi
    ;;
esac
