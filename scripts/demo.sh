#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRIVANE_TESTS=ON
cmake --build build/release -j "$(nproc)" --target tests_document
echo "== The sales document model, checked against its rules =="
./build/release/tests/tests_document
