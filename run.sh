#!/usr/bin/env bash
# Builds Moyuta (installing what is missing) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
exec build/bin/moyuta "$@"
