#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the
# portable code's unit tests (AddressSanitizer and UndefinedBehaviorSanitizer,
# then ThreadSanitizer), the fuzzers for a bounded time, the product's checks,
# and the Windows layer's and end-to-end tests under Wine.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup.sh || exit 1

passed=0
failed=0
skipped=0
failures=()
# step NAME COMMAND...: one test step; exit status 77 means it could not run
# here (it says why), which is reported, not passed.
step() {
  local name=$1 status=0
  shift
  echo "=== $name"
  "$@" || status=$?
  if [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
  elif [ "$status" -eq 77 ]; then
    skipped=$((skipped + 1))
    echo "=== SKIPPED: $name"
  else
    failed=$((failed + 1))
    failures+=("$name")
    echo "=== FAILED: $name"
  fi
}

build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$(nproc)"
}

for preset in host host-tsan fuzz win32 win64; do
  build "$preset" || { echo "=== build $preset failed"; echo "0 passed, 1 failed"; exit 1; }
done

step "unit tests (address, undefined)" ctest --test-dir build/host --output-on-failure -j "$(nproc)"
step "unit tests (thread)" ctest --test-dir build/host-tsan --output-on-failure -j "$(nproc)"

# Each fuzzer runs for a bounded time from its kept corpus; a crashing input
# is kept beside the corpus as a regression case and fails the run.
fuzz() {
  local fuzzer=$1 name
  name=$(basename "$fuzzer")
  mkdir -p "tests/fuzz/$name" "build/fuzz/corpus/$name"
  "$fuzzer" -max_total_time="${LUMIVANE_FUZZ_SECONDS:-30}" -print_final_stats=0 \
    -artifact_prefix="tests/fuzz/$name/crash-" "build/fuzz/corpus/$name" "tests/fuzz/$name" 2>&1 | tail -n 3
  return "${PIPESTATUS[0]}"
}
for fuzzer in build/fuzz/*/*_fuzzer; do
  step "fuzz $(basename "$fuzzer")" fuzz "$fuzzer"
done

step "product: 32-bit static GUI program" tests/check_exe.sh build/win32/Lumivane.exe
step "release zip" bash -c 'cmake --build --preset win32 --target package >/dev/null && tests/check_release.sh build/win32'

source scripts/wine-env.sh
lumivane_wine_prefix
wineserver -k 2>/dev/null || true  # programs left by an interrupted run
unset DISPLAY
lumivane_start_display || exit 1
trap 'wineserver -k 2>/dev/null; lumivane_stop_display' EXIT
# ANSI code page 1252: the Chinese captions must not depend on the system's.
step "Windows layer under Wine" env LANG=en_US.UTF-8 ctest --test-dir build/win64 --output-on-failure
wineserver -k 2>/dev/null
for test in tests/e2e/*_test.sh; do
  step "end to end: $(basename "$test" .sh)" env LANG=en_US.UTF-8 bash "$test"
done

echo
[ "$failed" -eq 0 ] || printf 'failed: %s\n' "${failures[@]}"
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
