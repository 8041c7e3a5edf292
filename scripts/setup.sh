#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, tests and runs with.
# Idempotent: packages already present are not touched, and apt-get update runs
# at most once, only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  qtkeychain-qt6-dev libsecret-1-0
  dbus-daemon gnome-keyring libsecret-tools python3-dbus
  dpkg-dev desktop-file-utils
  libsqlite3-dev sqlite3
  libsodium-dev
  libshp-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-dbfread python3-dbf
  clang-14 libfuzzer-14-dev libclang-rt-14-dev
  clang-format
  xvfb xauth x11-apps imagemagick
  adwaita-icon-theme
  hyperfine
  libdbd-xbase-perl wine64 g++-mingw-w64-x86-64-posix googletest strace time
  graphviz
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: every package is already installed"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
