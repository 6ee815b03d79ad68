#!/usr/bin/env bash
# Imports one generated calendar file of about a gigabyte into a fresh store
# and compares the import's peak resident memory with the file's size: the
# import holds the whole file in memory, so the peak should stay within the
# file size plus a constant (and far below twice the file size).
#   bench/large_import.sh [EVENTS] [WORK]
#     e.g. bench/large_import.sh 1200000 /tmp/quillane-large   (1.06 GB .ics)
# Needs GNU time (/usr/bin/time, Debian package "time") and about three times
# the file size of free disk space under WORK.
set -euo pipefail
cd "$(dirname "$0")/.."
events=${1:-1200000}
work=${2:-/tmp/quillane-large}
if [[ ! -x /usr/bin/time ]]; then
    echo "large_import.sh: /usr/bin/time is missing (apt-get install time)" >&2
    exit 2
fi

cmake --preset default >/dev/null
cmake --build --preset default --target quillane bench_calendar
bin=$PWD/build/default/bin
mkdir -p "$work"
file=$work/large-$events.ics
if [[ ! -f $file ]]; then
    "$bin/bench_calendar" generate "$events" ics "$file"
fi
rm -rf "$work/data" "$work/state" "$work/config"
XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state XDG_CONFIG_HOME=$work/config \
    /usr/bin/time -f "%M %e %U %S" -o "$work/time.txt" \
    "$bin/quillane" import "$file" --conflict duplicate
read -r peak_kb wall user sys <"$work/time.txt"
size=$(stat -c %s "$file")
awk -v size="$size" -v peak="$peak_kb" -v wall="$wall" -v user="$user" -v sys="$sys" \
    -v events="$events" 'BEGIN {
    file_mb = size / 1048576; peak_mb = peak / 1024
    printf "file %.1f MB, %d events\n", file_mb, events
    printf "import: %.1f s wall (%.1f s user, %.1f s system), %.0f events/s wall\n",
        wall, user, sys, events / wall
    printf "peak memory %.1f MB = file + %.1f MB (%.2fx the file)\n",
        peak_mb, peak_mb - file_mb, peak_mb / file_mb
    exit peak_mb < 2 * file_mb ? 0 : 1
}'
