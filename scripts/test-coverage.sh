#!/usr/bin/env bash
# Per-test source coverage of the POSIX suites, for choosing which tests to
# keep: for every ctest test, the product lines and branches it covers and
# how many of them no other test covers. Builds the posix-coverage preset.
#
#   bash scripts/test-coverage.sh [CTEST_REGEX]
#
# Writes build/posix-coverage/coverage/per-test.txt (one row a test, fewest
# unique lines first) and totals.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/posix-coverage
cmake --preset posix-coverage >/dev/null
cmake --build --preset posix-coverage
# Programs of tests since removed would count their old copies of the sources.
ninja -C "$build" -t cleandead >/dev/null
out=$build/coverage
rm -rf "$out"
mkdir -p "$out/raw"
profdata=$(command -v llvm-profdata-14 || command -v llvm-profdata)
llvmcov=$(command -v llvm-cov-14 || command -v llvm-cov)

mapfile -t tests < <(ctest --test-dir "$build" -N -R "${1:-.}" | sed -n 's/^ *Test *#[0-9]*: //p')
for t in "${tests[@]}"; do
  mkdir -p "$out/raw/$t"
  # Programs a test starts (hosts, the office server) write profiles too.
  if ! LLVM_PROFILE_FILE="$out/raw/$t/%p-%m.profraw" ctest --test-dir "$build" -R "^$t\$" >/dev/null; then
    echo "test-coverage: $t failed; its coverage counts all the same" >&2
  fi
done

# Every program of the build that coverage was compiled into.
mapfile -t programs < <(find "$build/tests" "$build/apps" -type f -perm -u+x ! -name '*.sh' \
  -exec sh -c 'head -c4 "$1" | grep -q ELF' _ {} \; -print | sort)
objects=("${programs[0]}")
for p in "${programs[@]:1}"; do objects+=(-object "$p"); done

for t in "${tests[@]}"; do
  if compgen -G "$out/raw/$t/*.profraw" >/dev/null; then
    "$profdata" merge -sparse "$out/raw/$t"/*.profraw -o "$out/$t.profdata"
    "$llvmcov" export -format=lcov -instr-profile="$out/$t.profdata" "${objects[@]}" \
      -ignore-filename-regex='^/usr/|/tests/|/build/|/fuzz/|/bench/' >"$out/$t.lcov" 2>/dev/null
  fi
done
python3 "$root/scripts/coverage_table.py" "$out" "$root/" "${tests[@]}"
