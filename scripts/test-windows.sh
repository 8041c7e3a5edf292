#!/usr/bin/env bash
# The OS layer on Windows: cross-compiles it and its test with mingw-w64
# (statically linked, GoogleTest built from Debian's sources), runs the test
# under Wine, then checks that a table lock taken by the Linux build is refused
# to the Windows build and the reverse. Exits non-zero on any failure,
# including a Wine that cannot start. BRIVANE_WINE names another Wine program,
# BRIVANE_WINDOWS_BUILD and BRIVANE_OS_LINUX_BUILD other build folders.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

./scripts/setup.sh

wine=${BRIVANE_WINE:-/usr/lib/wine/wine64}
windows_build=${BRIVANE_WINDOWS_BUILD:-$root/build/windows}
linux_build=${BRIVANE_OS_LINUX_BUILD:-$root/build/os-linux}
jobs=$(nproc)
started=$SECONDS

echo "== Windows build (mingw-w64) of the OS layer and its test"
cmake -S tests/platform/os/standalone -B "$windows_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$windows_build" -j "$jobs" --target tests_os
echo "== Linux build of the same test (the other side of the locks)"
cmake -S tests/platform/os/standalone -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$linux_build" -j "$jobs" --target tests_os
exe=$windows_build/tests_os.exe
linux=$linux_build/tests_os

# Wine in a prefix of its own, removed afterwards with its server.
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
cleanup() {
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

if [ ! -x "$wine" ]; then
  echo "test-windows: Wine is not installed ($wine missing)" >&2
  exit 1
fi
# The first run creates the prefix (several seconds).
if ! "$wine" "$exe" --gtest_list_tests >"$work/list" 2>"$work/wine-errors"; then
  echo "test-windows: Wine cannot start the Windows test program:" >&2
  cat "$work/wine-errors" >&2
  exit 1
fi

echo "== The OS layer's tests under Wine"
unit=0
"$wine" "$exe" --gtest_color=no || unit=$?

echo "== Table locks between the Linux build and the Windows build under Wine"
# Wine sees this machine's root as drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
failures=0
check() {  # description expected actual
  if [ "$2" = "$3" ]; then
    echo "[       OK ] $1"
  else
    echo "[  FAILED  ] $1: exit code $3, expected $2"
    failures=$((failures + 1))
  fi
}
wait_for() {
  for _ in $(seq 600); do
    [ -e "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
# One side holds the table while the other tries it, then lets go.
cross() {  # name holder... -- trier...
  local name=$1 dir=$work/$1
  shift
  mkdir -p "$dir"
  printf 'data' >"$dir/factma.dbf"
  local holder=() trier=()
  while [ "$1" != "--" ]; do holder+=("$1"); shift; done
  shift
  trier=("$@")
  local table=$dir/factma.dbf ready=$dir/ready release=$dir/release
  if [ "${holder[0]}" = "$wine" ]; then
    "${holder[@]}" --child hold "$(windows_path "$table")" "$(windows_path "$ready")" \
      "$(windows_path "$release")" &
  else
    "${holder[@]}" --child hold "$table" "$ready" "$release" &
  fi
  local pid=$!
  local t=$table
  if [ "${trier[0]}" = "$wine" ]; then t=$(windows_path "$table"); fi
  if ! wait_for "$ready"; then
    check "$name: the holder takes the table" 0 timeout
    kill "$pid" 2>/dev/null || true
    return
  fi
  local rc=0
  "${trier[@]}" --child try "$t" || rc=$?
  check "$name: refused while held" 1 "$rc"
  touch "$release"
  rc=0
  wait "$pid" || rc=$?
  check "$name: the holder lets go" 0 "$rc"
  rc=0
  "${trier[@]}" --child try "$t" || rc=$?
  check "$name: granted once released" 0 "$rc"
}
cross linux-holds-windows-tries "$linux" -- "$wine" "$exe"
cross windows-holds-linux-tries "$wine" "$exe" -- "$linux"

tests=$(grep -c '^  ' "$work/list")
outcome=passed
[ "$unit" -eq 0 ] || outcome="FAILED (exit code $unit)"
echo "test-windows: $tests tests under Wine $outcome; $failures of 6 lock checks between" \
  "Linux and Wine failed ($((SECONDS - started)) s)"
[ "$unit" -eq 0 ] && [ "$failures" -eq 0 ]
