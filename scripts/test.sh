#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test:
# once as built for use, the OS layer's also for Windows under Wine, once under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target for a
# short bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh

# Every C++ source in the one house format (.clang-format), and none over 600
# lines (CONTRIBUTING.md): checked first, as they cost a second.
sources=$(mktemp)
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z '*.cpp' '*.h' >"$sources"
else
  find src tests bench fuzz -name '*.cpp' -print0 -o -name '*.h' -print0 >"$sources"
fi
xargs -0 clang-format --dry-run -Werror <"$sources"
long=$(xargs -0 wc -l <"$sources" | awk '$2 != "total" && $1 > 600 { print $2 " (" $1 " lines)" }')
rm -f "$sources"
if [ -n "$long" ]; then
  echo "test.sh: files over 600 lines (split them by concern):" >&2
  echo "$long" >&2
  exit 1
fi

jobs=$(nproc)
cmake --preset ci
cmake --build build/ci -j "$jobs"
ctest --test-dir build/ci --output-on-failure -j "$jobs"

# The OS layer cross-compiled for Windows and tested under Wine, with table
# locks taken between the Linux and the Windows builds (docs/windows.md).
./scripts/test-windows.sh

# The Debian package of that build (README, "Installer"): made, its control
# fields and contents listed, its menu entry checked.
rm -f build/ci/brivane_*_amd64.deb
cmake --build build/ci --target package
dpkg-deb --info build/ci/brivane_*_amd64.deb
dpkg-deb --contents build/ci/brivane_*_amd64.deb
desktop-file-validate packaging/brivane.desktop

# The whole suite again under ASan (leaks included) and UBSan. Every report
# ends its test program with an error: UBSan does not recover (preset
# "sanitize": -fno-sanitize-recover=all), ASan halts on its first report.
cmake --preset sanitize
cmake --build build/sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:strict_string_checks=1:check_initialization_order=1:detect_stack_use_after_return=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build/sanitize --output-on-failure -j "$jobs"

# Each fuzz target from its seeds, BRIVANE_FUZZ_SECONDS seconds each (see
# docs/RELIABILITY.md); a crash, a sanitizer report or a broken check fails.
FUZZ_JOBS=$jobs ./fuzz/run.sh all "${BRIVANE_FUZZ_SECONDS:-45}"
