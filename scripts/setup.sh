#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# the machine lacks. Sourced by the other scripts; sets JAVA_HOME.
set -euo pipefail

packages=(cmake make g++ binutils ccache openjdk-17-jdk-headless libgtest-dev libbenchmark-dev junit5
  libpq-dev postgresql)
# The 32-bit compiler checks that the code stays correct for a 32-bit build.
[[ "$(dpkg --print-architecture)" == amd64 ]] && packages+=(g++-multilib)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  # The tests and the demo start PostgreSQL servers of their own: Debian's
  # package is not to make and start a cluster of its own on install.
  mkdir -p /etc/postgresql-common/createcluster.d
  echo "create_main_cluster = false" >/etc/postgresql-common/createcluster.d/vxrt.conf
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends -o Dpkg::Options::=--force-confold "${missing[@]}"
fi

export JAVA_HOME="/usr/lib/jvm/java-17-openjdk-$(dpkg --print-architecture)"

# Compiles go through ccache: the test command builds three trees, and a
# second run (another clone of the same sources) takes its objects from the
# cache. Paths under the checkout are hashed relative to it, so clones in
# different folders share the cache.
export CMAKE_C_COMPILER_LAUNCHER="${CMAKE_C_COMPILER_LAUNCHER-ccache}"
export CMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER-ccache}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR-true}"
