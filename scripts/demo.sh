#!/usr/bin/env bash
# One command from a fresh machine to the demo magazine on screen.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/deps.sh"
bash "$here/scripts/build.sh" "$here/build"
if [ ! -d "$here/build/demo" ]; then
  echo "demo: no demo magazine was assembled in build/demo" >&2
  exit 1
fi
cd "$here/build/demo"
exec "$here/build/pagovia"
