#!/usr/bin/env bash
# The grid on 1,000,000 addresses: first screen after a run, and the first sort.
set -euo pipefail
work="$BENCH_WORK/grid"
rm -rf "$work" && mkdir -p "$work"
if [ -x "$BUILD_DIR/bench/grid_guibench" ]; then
  "$BUILD_DIR/bench/grid_guibench" "$work" "${GRID_COUNT:-1000000}"
else
  echo "grid benchmark not built (the application is off)"
fi
