#!/usr/bin/env bash
# Sets up, builds and runs the whole suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh "$@"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy VELTRA_FAKE_AUDIO=1
# End-to-end checks need a real X server; run everything inside one.
exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir build --output-on-failure -j"$(nproc)" --timeout 600
