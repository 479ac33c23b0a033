#!/usr/bin/env bash
# Books joined at once against one after another: makes a shelf of BOOKS
# folders of FILES one-minute MP3s each, then joins the shelf to M4B with
# `--each -j 2` and `--each -j 1`, paired, RUNS times, and prints each run's
# wall time and the peak memory of its whole process tree (the batch and its
# books, sampled from /proc), then the medians and their ratios; and the peak
# memory of one book joined alone, without --each.
#
# usage: bench/each_books.sh VANTOREL_JOIN [WORKDIR]
#   environment: BOOKS (8), FILES (10), RUNS (3)
set -euo pipefail

program=${1:?usage: $0 VANTOREL_JOIN [WORKDIR]}
work=${2:-$(mktemp -d)}
books=${BOOKS:-8}
files=${FILES:-10}
runs=${RUNS:-3}
shelf=$work/shelf

make_shelf() {
    local book file
    for ((book = 1; book <= books; book++)); do
        mkdir -p "$shelf/Book $book"
        for ((file = 1; file <= files; file++)); do
            local target
            target=$(printf '%s/Book %d/%02d - Chapter.mp3' "$shelf" "$book" "$file")
            [[ -f $target ]] && continue
            # A tone and some noise, different in each file, so that the
            # encoder has real work.
            ffmpeg -loglevel error -f lavfi -i "sine=f=$((200 + 10 * file + book)):d=60" \
                -f lavfi -i "anoisesrc=d=60:a=0.05:c=pink" \
                -filter_complex amix=inputs=2 -ac 2 -ar 44100 -c:a libmp3lame -b:a 128k "$target"
        done
    done
}

# Sums of Rss and of Pss (KiB) over a process and all its descendants: Rss
# counts the shared libraries' pages once in each process, Pss shares them out.
tree_memory() {
    local pid=$1 rss pss child child_rss child_pss
    read -r rss pss < <(awk '/^Rss:/ {r = $2} /^Pss:/ {p = $2} END {print r + 0, p + 0}' \
        "/proc/$pid/smaps_rollup" 2>/dev/null || echo 0 0)
    for child in $(cat "/proc/$pid/task/"*/children 2>/dev/null || true); do
        read -r child_rss child_pss < <(tree_memory "$child")
        rss=$((rss + child_rss))
        pss=$((pss + child_pss))
    done
    echo "$rss $pss"
}

# Runs a command; prints "SECONDS PEAK_RSS_KIB PEAK_PSS_KIB" for its whole
# process tree.
measure() {
    local start end pid peak_rss=0 peak_pss=0 rss pss
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        read -r rss pss < <(tree_memory "$pid")
        ((rss > peak_rss)) && peak_rss=$rss
        ((pss > peak_pss)) && peak_pss=$pss
        sleep 0.05
    done
    wait "$pid" || { echo "failed: $*" >&2; return 1; }
    end=$(date +%s.%N)
    echo "$(ratio "$end - $start" 1) $peak_rss $peak_pss"
}

# Arithmetic of decimals without bc: the first number's expression divided by
# the second.
ratio() {
    awk "BEGIN {printf \"%.3f\", ($1) / ($2)}"
}

median() {
    sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

make_shelf
results=$work/results
: >"$results"
for ((run = 1; run <= runs; run++)); do
    for jobs in 2 1; do
        out=$work/out-$jobs
        rm -rf "$out"
        read -r seconds rss pss < <(measure "$program" --each "$shelf" -o "$out" --format m4b -q -j "$jobs")
        echo "run $run  -j $jobs  ${seconds}s  peak rss $rss pss $pss KiB" | tee -a "$results"
    done
done
rm -f "$work/one.m4b"
read -r one_seconds one_rss one_pss < <(measure "$program" "$shelf/Book 1" -o "$work/one.m4b" -q -y)
echo "one book alone  ${one_seconds}s  peak rss $one_rss pss $one_pss KiB"

parallel=$(awk '$4 == 2 {sub(/s$/, "", $5); print $5}' "$results" | median)
serial=$(awk '$4 == 1 {sub(/s$/, "", $5); print $5}' "$results" | median)
parallel_rss=$(awk '$4 == 2 {print $8}' "$results" | median)
parallel_pss=$(awk '$4 == 2 {print $10}' "$results" | median)
echo "median wall: -j 2 ${parallel}s, -j 1 ${serial}s, ratio $(ratio "$parallel" "$serial")"
echo "median peak of -j 2: rss ${parallel_rss} KiB ($(ratio "$parallel_rss" "$one_rss")x one join's)," \
    "pss ${parallel_pss} KiB ($(ratio "$parallel_pss" "$one_pss")x one join's)"
