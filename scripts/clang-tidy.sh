#!/usr/bin/env bash
# Static analysis of the library's sources (the system and the platform layer, with their
# headers) by clang-tidy with the checks in .clang-tidy. Any finding fails.
#
#   scripts/clang-tidy.sh BUILD_DIR
#
# BUILD_DIR is a build tree configured with CMAKE_EXPORT_COMPILE_COMMANDS=ON. Needs clang-tidy
# (Debian's clang-tidy package). QXSCSI_JOBS sets how many files are analysed at once.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-}
if [ -z "$build" ] || [ ! -f "$build/compile_commands.json" ]; then
    echo "usage: $0 BUILD_DIR (a build tree with compile_commands.json)" >&2
    exit 2
fi
command -v run-clang-tidy >/dev/null || { echo "run-clang-tidy not found: apt-get install clang-tidy" >&2; exit 2; }

dirs='transport|commands|media|reservation|handle|api|platform'
log=$(mktemp)
trap 'rm -f "$log" "$log.raw"' EXIT
start=$SECONDS
rc=0
run-clang-tidy -quiet -p "$build" -j "${QXSCSI_JOBS:-$(nproc)}" \
    -header-filter="^$root/($dirs|include/qxscsi)/" "^$root/($dirs)/.*\\.cpp\$" >"$log.raw" 2>&1 || rc=$?
# clang-tidy colours its report whatever its output is.
sed -e 's/\x1b\[[0-9;]*m//g' "$log.raw" >"$log"
rm -f "$log.raw"
findings=$(grep -E '^/.*:[0-9]+:[0-9]+: (warning|error):' "$log" | sort -u || true)
count=$(printf '%s' "$findings" | grep -c . || true)
if [ "$rc" -ne 0 ] || [ "$count" -ne 0 ]; then
    # Each finding with its context, once.
    grep -vE '^(clang-tidy|[0-9]+ warnings? (and [0-9]+ errors? )?generated|Suppressed [0-9]+ warnings|Use -header-filter|Error while processing|Running clang-tidy)' "$log" || true
    echo "clang-tidy: $count findings in $((SECONDS - start)) s"
    exit 1
fi
echo "clang-tidy: no findings in the library's sources ($((SECONDS - start)) s)"
