#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, then builds and runs every test through CTest: a build with
# warnings as errors, an AddressSanitizer + UndefinedBehaviorSanitizer build, and a bounded
# libFuzzer run. The first two run as inside a desktop session whose bus the program already
# serves, which no test may touch.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_dependencies.sh

jobs=$(nproc)

echo "== Build with warnings as errors"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWHICHKONTAKT_WERROR=ON
cmake --build build/release -j "$jobs"
bash scripts/fake_desktop_session.sh build/release/tests/silent_bus_owner \
  ctest --test-dir build/release --output-on-failure -j "$jobs"

echo "== Build with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWHICHKONTAKT_WERROR=ON \
  -DWHICHKONTAKT_SANITIZE=ON -DWHICHKONTAKT_BENCH=OFF
cmake --build build/sanitize -j "$jobs"
bash scripts/fake_desktop_session.sh build/sanitize/tests/silent_bus_owner \
  ctest --test-dir build/sanitize --output-on-failure -j "$jobs" -E '^strace_'

echo "== Fuzzing (clang, libFuzzer)"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DWHICHKONTAKT_WERROR=ON -DWHICHKONTAKT_FUZZ=ON -DWHICHKONTAKT_BENCH=OFF
# Only what the fuzz run needs: the rest of the project is tested by the two builds above.
cmake --build build/fuzz -j "$jobs" --target show_kontakt_version_fuzzer fuzz_seeds
ctest --test-dir build/fuzz --output-on-failure -R '^fuzz_'
