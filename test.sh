#!/usr/bin/env bash
# Installs what is missing, builds (warnings are errors) and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
ctest --preset default -j2 "$@"
