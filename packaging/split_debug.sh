#!/usr/bin/env bash
# Makes the installed form of a shared library: a stripped copy in OUT/lib,
# and its debug information apart, where debuggers look it up by the
# library's build id: OUT/lib/debug/.build-id/XX/REST.debug.
#   split_debug.sh LIBRARY OUT
set -euo pipefail
library="$1"
out="$2"
build_id="$(readelf -n "$library" | sed -n 's/^ *Build ID: *\([0-9a-f]*\)$/\1/p')"
if [[ -z "$build_id" ]]; then
  echo "split_debug.sh: $library has no build id" >&2
  exit 1
fi
debug="$out/lib/debug/.build-id/${build_id:0:2}/${build_id:2}.debug"
mkdir -p "$out/lib" "$(dirname "$debug")"
objcopy --only-keep-debug "$library" "$debug"
objcopy --strip-debug --strip-unneeded "$library" "$out/lib/$(basename "$library")"
