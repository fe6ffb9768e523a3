#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a normal build with warnings
# as errors, once under AddressSanitizer + UndefinedBehaviorSanitizer; then the format check,
# the lint and the fuzz smoke runs.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== build (warnings as errors)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM47_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
echo "== tests"
ctest --test-dir build -j"$jobs" --output-on-failure --timeout 300

echo "== build (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQM47_WERROR=ON -DQM47_SANITIZE=ON \
  -DQM47_WITH_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
echo "== tests under sanitizers"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j"$jobs" --output-on-failure --timeout 600

echo "== format"
bash scripts/check-format.sh

for extra in scripts/lint.sh scripts/fuzz.sh; do
  if [ -f "$extra" ]; then
    echo "== $extra"
    bash "$extra"
  fi
done
