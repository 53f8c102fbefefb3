#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tool.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
exec build/release/orvant2 "$@"
