#!/usr/bin/env bash
# One command from a fresh machine to the demo magazine on screen.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/deps.sh"
bash "$here/scripts/build.sh" "$here/build"
cd "$here/build/demo"
exec "$here/build/pagovia"
