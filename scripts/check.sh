#!/usr/bin/env bash
# One command from a fresh machine to a passed test suite: packages, the normal build,
# the sanitizer builds, bounded fuzz runs over the committed seeds, the display tests under Xvfb.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# Every way out ends with one closing line, a failed install or build included.
finish() {
  local s=$?
  if [ "$s" = 0 ]; then echo "check: all suites passed"; else echo "check: FAILED (status $s)"; fi
}
trap finish EXIT
[ "${PAGOVIA_SKIP_DEPS:-0}" = 1 ] || bash "$here/scripts/deps.sh"
export SDL_AUDIODRIVER=dummy
bash "$here/scripts/build.sh" "$here/build"
bash "$here/scripts/build.sh" "$here/build-asan" -DPAGOVIA_SANITIZE=ON
bash "$here/scripts/build.sh" "$here/build-tsan" -DPAGOVIA_TSAN=ON
bash "$here/scripts/build.sh" "$here/build-fuzz" -DPAGOVIA_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
status=0
# Display tests start their own Xvfb, so they run side by side without sharing a screen.
ctest --test-dir "$here/build" --output-on-failure -j 2 || status=1
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir "$here/build-asan" --output-on-failure -L unit || status=1
# The threads of the music link (handler, child watchers, the drawing thread) and the ports.
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 "$here/build-tsan/pagovia_tests" \
  --gtest_filter='Link.*:SongStart.*:Player.*:Ports.*:Command.*:CommandLine.*' || status=1
ctest --test-dir "$here/build-fuzz" --output-on-failure -L fuzz || status=1
exit $status
