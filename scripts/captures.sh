#!/usr/bin/env bash
# Takes the README's pictures of the windows (the main window, its configuration,
# the summary of a batch and the history) under Xvfb, into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build/dev -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/dev -j 2 --target tests_gui
BRIVANE_CAPTURES="$PWD/docs" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
  ./build/dev/tests/tests_gui --gtest_filter='Captures.*'
