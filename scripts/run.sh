#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the program and starts it with the given Kontakt
# files, or, with none, with the sample instrument file that the build makes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_dependencies.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWHICHKONTAKT_WERROR=ON >/dev/null
cmake --build build/release --target whichkontakt sample_files

if [ $# -eq 0 ]; then
  set -- build/release/samples/kontakt4.nki
fi
exec build/release/app/whichkontakt "$@"
