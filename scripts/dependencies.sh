#!/usr/bin/env bash
# Draws docs/dependencies.svg: the libraries and programs of src/ and the links
# between them, as CMake knows them (cmake --graphviz, then graphviz's dot).
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT
cat > "$build/CMakeGraphVizOptions.cmake" <<'OPTIONS'
set(GRAPHVIZ_GRAPH_NAME "Brivane")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_INTERFACE_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "brivane_pages_man")
OPTIONS
cmake -S . -B "$build" -G Ninja -DBRIVANE_TESTS=OFF -DBRIVANE_BENCH=OFF \
  --graphviz="$build/brivane.dot" > /dev/null
dot -Tsvg -Grankdir=BT "$build/brivane.dot" -o docs/dependencies.svg
echo "docs/dependencies.svg"
