#!/usr/bin/env bash
# Sets up, builds and starts VELTRA with the bundled demo list.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
demo=build/demo/demo.vpl
[ -f "$demo" ] || demo=""
exec build/bin/veltra $demo
