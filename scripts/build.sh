#!/usr/bin/env bash
# Builds everything into build/ (or the folder given as first argument, with
# any further arguments passed to CMake).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/setup.sh"

build_dir="${1:-$root/build}"
shift || true
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
