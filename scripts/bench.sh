#!/usr/bin/env bash
# Sets everything up, builds, and runs the benchmarks (a few minutes); prints
# the table that docs/PERFORMANCE.md holds. Pass --quick for a short run.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
exec "$TOLVANE_BUILD/tolvane-bench" "$@"
