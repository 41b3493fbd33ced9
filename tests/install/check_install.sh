#!/usr/bin/env bash
# The artefact as a user gets it: installs a build folder's artefact into a
# temporary prefix and Maven repository (scripts/install.sh), checks the
# installed libraries (run path $ORIGIN and nothing of the build tree, no
# debug sections, debug information kept apart under their build id) and the
# pom, then compiles and runs the README's first program in an empty folder
# with only the installed jar on its class path, and runs a program that says
# where the library came from: extracted from the jar (its temporary folder
# gone afterwards), from the folder a system property names, and from
# java.library.path; and that the loader refuses a named folder without the
# library and a library that does not match the jar's checksum.
#   check_install.sh BUILD_DIR JAVA_BIN_DIR [--move-build-away]
# With --move-build-away the build folder is renamed while the programs run.
set -euo pipefail
build="$(cd "$1" && pwd)"
java_bin="$2"
move_away="${3:-}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="$(mktemp -d)"
failures=0

restore() {
  if [[ -d "$build.away" && ! -e "$build" ]]; then mv "$build.away" "$build"; fi
  rm -rf "$work"
}
trap restore EXIT

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

check() {  # check DESCRIPTION COMMAND...
  local what="$1"
  shift
  if "$@"; then echo "ok: $what"; else fail "$what"; fi
}

VXTALY_BUILD_DIR="$build" MAVEN_REPOSITORY="$work/m2" "$root/scripts/install.sh" "$work/prefix" >/dev/null
repository="$(dirname "$(ls "$work"/m2/com/orvane/vx/vxtaly/*/*.pom)")"
version="$(basename "$repository")"
jar="$repository/vxtaly-$version.jar"

# The libraries, installed and inside the jar.
mkdir -p "$work/unpacked"
(cd "$work/unpacked" && "$java_bin/jar" xf "$jar" META-INF)
build_id() { readelf -n "$1" | sed -n 's/^ *Build ID: *\([0-9a-f]*\)$/\1/p'; }
for library in "$work"/prefix/lib/*.so "$work"/unpacked/META-INF/native/*/*.so; do
  name="${library#"$work"/}"
  dynamic="$(readelf -d "$library")"
  check "$name: run path \$ORIGIN" grep -q 'RUNPATH.*\[\$ORIGIN\]' <<<"$dynamic"
  check "$name: nothing of the build tree in its dynamic section" \
    bash -c '! grep -qF -e "$1" -e "$2" <<<"$3"' _ "$build" "$root" "$dynamic"
  check "$name: no debug sections" bash -c '! readelf -S --wide "$1" | grep -q " \.debug_"' _ "$library"
  id="$(build_id "$library")"
  debug="$work/prefix/lib/debug/.build-id/${id:0:2}/${id:2}.debug"
  check "$name: debug information under its build id ${id:-none}" test -n "$id" -a -f "$debug"
  if [[ -f "$debug" ]]; then
    check "$name: the debug file has the same build id" test "$(build_id "$debug")" = "$id"
    check "$name: the debug file holds its debug information" \
      bash -c 'readelf -S --wide "$1" | grep -q " \.debug_info"' _ "$debug"
  fi
done

# The pom and the jar's manifest.
coordinates="$("$java_bin/java" "$root/tests/install/PomCheck.java" "$repository/vxtaly-$version.pom")"
check "the pom is well formed and names com.orvane.vx:vxtaly:$version" \
  test "$coordinates" = "com.orvane.vx:vxtaly:$version 4.0.0"
manifest="$work/unpacked/META-INF/MANIFEST.MF"
check "the manifest gives the version" grep -q "^Implementation-Version: $version" "$manifest"
check "the manifest gives the module name" grep -q "^Automatic-Module-Name: com.orvane.vx.taly" "$manifest"
listing="$("$java_bin/jar" tf "$jar")"
check "no demo or test classes in the jar" bash -c '! grep -qE "/(demo|testkit)/|Test" <<<"$1"' _ "$listing"
for extra in sources javadoc; do
  check "the $extra jar is there" test -s "$repository/vxtaly-$version-$extra.jar"
done

# The README's first program, in an empty folder, with only the jar.
app="$work/app"
mkdir -p "$app" "$work/tmp" "$work/home"
awk '/^```java$/ {inside = 1; next} /^```$/ {if (inside) exit} inside' "$root/README.md" > "$app/FirstProgram.java"
cp "$root/tests/install/WhereLoaded.java" "$jar" "$app/"
"$java_bin/javac" -Xlint:all -Werror -cp "$app/vxtaly-$version.jar" -d "$app" "$app/FirstProgram.java" \
  "$app/WhereLoaded.java"
if [[ "$move_away" == --move-build-away ]]; then
  mv "$build" "$build.away"
  echo "moved $build out of the way"
fi
# A clean environment: no library path, nothing of the build; the sanitizer's settings stay.
run() {
  (cd "$app" && env -i PATH=/usr/bin:/bin HOME="$work/home" ${LD_PRELOAD:+LD_PRELOAD="$LD_PRELOAD"} \
    ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} ${UBSAN_OPTIONS:+UBSAN_OPTIONS="$UBSAN_OPTIONS"} \
    "$java_bin/java" -Xcheck:jni -Djava.io.tmpdir="$work/tmp" -cp "vxtaly-$version.jar:." "$@" 2>&1)
}
first="$(run FirstProgram)" || fail "the first program ran: $first"
echo "$first" | sed 's/^/  | /'
check "the first program put, got and committed" grep -q "^Got: hello from Java" <<<"$first"
check "no JNI warning" bash -c '! grep -q "WARNING" <<<"$1"' _ "$first"

extracted="$(run WhereLoaded)" || fail "WhereLoaded ran: $extracted"
check "extracted from the jar" grep -q "^loaded: $work/tmp/vxtaly-.*/libvxtaly.so (extracted from the jar" \
  <<<"$extracted"
check "the extracted libraries are gone" test -z "$(ls -A "$work/tmp")"
named="$(run -Dcom.orvane.vx.taly.library.path="$work/prefix/lib" WhereLoaded)" || fail "WhereLoaded ran: $named"
check "loaded from the folder the property names" \
  grep -q "^loaded: $work/prefix/lib/libvxtaly.so (com.orvane.vx.taly.library.path)" <<<"$named"
path="$(run -Djava.library.path="$work/prefix/lib" WhereLoaded)" || fail "WhereLoaded ran: $path"
check "loaded from java.library.path" \
  grep -q "^loaded: $work/prefix/lib/libvxtaly.so (java.library.path)" <<<"$path"
for output in "$extracted" "$named" "$path"; do
  check "the message went round" grep -q "^got: round trip" <<<"$output"
done

# What the loader refuses: a named folder without the library, and a jar
# whose library does not match its checksum.
mkdir -p "$work/empty"
refused="$(run -Dcom.orvane.vx.taly.library.path="$work/empty" WhereLoaded)" && fail "an empty folder was taken"
check "a named folder without the library is refused by name" \
  grep -q "com.orvane.vx.taly.library.path=$work/empty holds no libvxtaly.so" <<<"$refused"
tampered="$work/tampered"
mkdir -p "$tampered/META-INF/native/linux-x86_64"
cp "$app/vxtaly-$version.jar" "$app/WhereLoaded.class" "$tampered/"
printf '%064d  libvxrt.so\n%064d  libvxtaly.so\n' 0 0 > "$tampered/META-INF/native/linux-x86_64/SHA256SUMS"
(cd "$tampered" && "$java_bin/jar" --update --file "vxtaly-$version.jar" META-INF/native/linux-x86_64/SHA256SUMS)
mismatch="$(cd "$tampered" && env -i PATH=/usr/bin:/bin ${LD_PRELOAD:+LD_PRELOAD="$LD_PRELOAD"} \
  ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} "$java_bin/java" -Djava.io.tmpdir="$work/tmp" \
  -cp "vxtaly-$version.jar:." WhereLoaded 2>&1)" && fail "a library that fails its checksum was loaded"
check "a library that fails its checksum is refused" grep -q "libvxrt.so has checksum [0-9a-f]*, not 0*" <<<"$mismatch"
check "and its folder removed" test -z "$(ls -A "$work/tmp")"

if ((failures)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all install checks passed"
