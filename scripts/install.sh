#!/usr/bin/env bash
# Builds everything and installs what a Java program depends on:
#   PREFIX/lib/libvxtaly.so, libvxrt.so   stripped, each finding the other in its folder
#   PREFIX/lib/debug/.build-id/           their debug information, by build id
#   PREFIX/share/java/vxtaly-VERSION.jar  the jar, which also carries both libraries
# and, in the Maven repository (MAVEN_REPOSITORY, by default ~/.m2/repository),
# com/orvane/vx/vxtaly/VERSION/ with the jar, its sources and javadoc jars and
# its pom.
#   scripts/install.sh [PREFIX]           PREFIX defaults to /usr/local
# With VXTALY_BUILD_DIR set, nothing is built: the artefact of that build
# folder is installed as it is.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
prefix="${1:-/usr/local}"
repository="${MAVEN_REPOSITORY:-$HOME/.m2/repository}"

if [[ -n "${VXTALY_BUILD_DIR:-}" ]]; then
  build="$VXTALY_BUILD_DIR"
else
  build="$root/build"
  "$root/scripts/build.sh" "$build"
fi
dist="$build/dist"
pom="$(ls "$dist"/*.pom)"
stem="$(basename "$pom" .pom)"
version="${stem##*-}"
artifact="${stem%-"$version"}"
group="$(sed -n 's|^  <groupId>\(.*\)</groupId>$|\1|p' "$pom")"

install -d "$prefix/lib" "$prefix/share/java"
install -m 755 "$dist/lib/libvxtaly.so" "$dist/lib/libvxrt.so" "$prefix/lib/"
cp -R "$dist/lib/debug" "$prefix/lib/"
install -m 644 "$dist/$stem.jar" "$prefix/share/java/"

target="$repository/${group//.//}/$artifact/$version"
install -d "$target"
install -m 644 "$dist/$stem.jar" "$dist/$stem-sources.jar" "$dist/$stem-javadoc.jar" "$pom" "$target/"
# The artifact's versions in this repository: those listed before, and this one.
metadata="$target/../maven-metadata-local.xml"
versions="$( { [[ -f "$metadata" ]] && sed -n 's|^ *<version>\(.*\)</version>$|\1|p' "$metadata"; echo "$version"; } |
  sort -u -V)"
{
  echo '<?xml version="1.0" encoding="UTF-8"?>'
  echo '<metadata>'
  echo "  <groupId>$group</groupId>"
  echo "  <artifactId>$artifact</artifactId>"
  echo '  <versioning>'
  echo "    <release>$(tail -n 1 <<<"$versions")</release>"
  echo '    <versions>'
  while read -r each; do echo "      <version>$each</version>"; done <<<"$versions"
  echo '    </versions>'
  echo "    <lastUpdated>$(date -u +%Y%m%d%H%M%S)</lastUpdated>"
  echo '  </versioning>'
  echo '</metadata>'
} > "$metadata"

echo "Installed $group:$artifact:$version"
echo "  libraries:  $prefix/lib (debug information in $prefix/lib/debug)"
echo "  jar:        $prefix/share/java/$stem.jar"
echo "  repository: $target"
