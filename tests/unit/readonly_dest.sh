#!/usr/bin/env bash
# Runs the engine's disk fault tests (engine_diskfault_test) with a destination folder that refuses every
# change for real: the file system's immutable attribute (chattr +i), which holds even for root and
# under Wine, where folder permissions do not. The folder holds keep.txt ("kept").
#   readonly_dest.sh [--wine] PROGRAM [ARGS...]
# With --wine the folder is handed over as Z:<path> (Wine maps / to Z:). Exit 77 (skipped) when
# the file system has no immutable attribute or setting it is not permitted.
set -u
prefix=""
if [ "${1:-}" = "--wine" ]; then prefix="Z:"; shift; fi
work=$(mktemp -d "${TMPDIR:-/tmp}/zmro.XXXXXX")
mkdir "$work/ro"
printf 'kept' >"$work/ro/keep.txt"
if ! chattr +i "$work/ro" 2>/dev/null; then
  rm -rf "$work"
  echo "read-only folder: the immutable attribute is not available here; skipped"
  exit 77
fi
trap 'chattr -i "$work/ro"; rm -rf "$work"' EXIT
ZM_READONLY_DIR="$prefix$work/ro" "$@" --gtest_filter='DiskFaults.*'
