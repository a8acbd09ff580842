#!/usr/bin/env bash
# Runs one Windows test program on a Wine prefix created for it alone (and removed
# before each run), in a session of its own.
#   run-on-clean-prefix.sh PREFIX_DIR WINE_RUN PROGRAM.exe [ARGS...]
set -euo pipefail
dir=$1 wine_run=$2
shift 2
rm -rf "$dir"
NP_WINE_DIR=$dir exec "$wine_run" "$@"
