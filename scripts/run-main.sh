#!/usr/bin/env bash
# Installs what is missing, builds orvel-ee in the release preset and runs it. Arguments
# are passed on to orvel-ee.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release --target orvel-ee
exec build/linux-release/tools/orvel-ee/orvel-ee "$@"
