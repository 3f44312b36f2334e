#!/usr/bin/env bash
# Builds Kestrine and starts the demo window over its simulated drives.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$root/out/normal" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
cmake --build "$root/out/normal" --target kestrine-demo
exec "$root/out/normal/kestrine-demo" "$@"
