#!/usr/bin/env bash
# clang-tidy over the Qt-free sources with the repo's .clang-tidy; any finding fails.
# Needs build/compile_commands.json (scripts/test.sh configures build/ first).
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/compile_commands.json ] || cmake -S . -B build >/dev/null
files=$(git ls-files 'protocol/*.cpp' 'toolkit/*.cpp' 'toolkit/net/*.cpp' 'app/*.cpp' \
  'console/*.cpp' 'tools/*.cpp' | grep -v '^app/main.cpp$')
out=$(mktemp)
trap 'rm -f "$out"' EXIT
# shellcheck disable=SC2086
printf '%s\n' $files | xargs -P "$(nproc)" -n 4 clang-tidy -p build --quiet >"$out" 2>/dev/null || true
if grep -E '(warning|error): ' "$out"; then
  echo "clang-tidy found the above"
  exit 1
fi
echo "clang-tidy ok ($(echo $files | wc -w) files)"
