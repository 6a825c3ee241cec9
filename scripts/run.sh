#!/usr/bin/env bash
# Sets everything up, builds, and opens the editor on a dashboard directory
# (the demo dashboard when none is given).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

dir=${1:-}
if [ -z "$dir" ]; then
    dir="$TOLVANE_BUILD/demo-dashboard"
    [ -d "$dir" ] || "$TOLVANE_BUILD/tolvane-cli" demo "$dir"
fi
exec "$TOLVANE_BUILD/tolvane" "$dir"
