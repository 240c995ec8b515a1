#!/usr/bin/env bash
# Times orvanel --batch against cp -a, rsync and unison on generated trees and
# prints one table of medians. Usage: bench/compare.sh [--quick | --million] [--runs N] [--work DIR] [--keep]
set -euo pipefail

RUNS=5
QUICK=0
MILLION=0
WORK=/tmp/orvanel-compare
KEEP=0
while (($#)); do
    case "$1" in
        --quick) QUICK=1 ;;
        --million) MILLION=1 ;;
        --runs) RUNS="${2:?--runs needs a number}"; shift ;;
        --work) WORK="${2:?--work needs a folder}"; shift ;;
        --keep) KEEP=1 ;;
        -h|--help)
            echo "usage: $0 [--quick] [--runs N] [--work DIR] [--keep]"
            echo "  --quick   small trees (5,000 files) for a smoke run"
            echo "  --million only the pair of 500,000 small files a side: dry run vs find, memory per item"
            echo "  --runs N  runs of each program per case (default 5)"
            echo "  --work    where trees and outputs go (default /tmp/orvanel-compare)"
            echo "  --keep    leave this session's outputs in place at the end"
            exit 0 ;;
        *) echo "unknown argument: $1 (try --help)" >&2; exit 2 ;;
    esac
    shift
done
[[ "$RUNS" =~ ^[1-9][0-9]*$ ]] || { echo "--runs: a positive number" >&2; exit 2; }

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build-bench"
ORV="$BUILD/orvanel"
GEN="$ROOT/bench/gen_tree.py"

say() { printf '== %s\n' "$*"; }
die() { printf 'compare.sh: %s\n' "$*" >&2; exit 1; }

if ((QUICK)); then
    SIZE=quick; FILES=5000; FOLDERS=250; MB=20; MEM_FILES=9500; MEM_FOLDERS=500; LARGE=20
else
    SIZE=full; FILES=50000; FOLDERS=2500; MB=200; MEM_FILES=95000; MEM_FOLDERS=5000; LARGE=200
fi
LARGE_MIB=8

# --- tools -------------------------------------------------------------------
missing=()
command -v rsync >/dev/null || missing+=(rsync)
command -v unison >/dev/null || missing+=(unison)
[[ -x /usr/bin/time ]] || missing+=(time)
if ((${#missing[@]})); then
    say "installing ${missing[*]}"
    if ((EUID == 0)); then SUDO=(); elif command -v sudo >/dev/null; then SUDO=(sudo); else
        die "need root or sudo to install ${missing[*]}"; fi
    export DEBIAN_FRONTEND=noninteractive
    "${SUDO[@]}" apt-get update -qq
    "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# --- build ---------------------------------------------------------------------
build() {
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANEL_TESTS=OFF >/dev/null &&
        cmake --build "$BUILD" >/dev/null
}
say "building Release into $BUILD"
if ! build; then
    # The sources may be mid-change; one retry after a pause.
    say "build failed; retrying in 60 s"
    sleep 60
    build || die "the Release build failed (cmake --build $BUILD shows why)"
fi

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
    if (NR % 2) printf "%.3f", v[(NR + 1) / 2]; else printf "%.3f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
div() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "inf" }'; }

# --- a million items (made once, reused) ------------------------------------------
if ((MILLION)); then
    MT="$WORK/trees-million"
    MMARK="done $(sha1sum "$GEN" | cut -c1-12) 500000 25000 100"
    mkdir -p "$WORK"
    if [[ "$(cat "$MT/.marker" 2>/dev/null)" != "$MMARK" ]]; then
        if [[ -d "$MT" ]]; then say "deleting stale $MT"; rm -rf "$MT"; say "waiting 60 s after the deletion"; sleep 60; fi
        say "generating 500,000 + 500,000 small files in $MT (once; later sessions reuse them)"
        python3 "$GEN" "$MT/pair" --files 500000 --folders 25000 --mb 100 --seed 6
        echo "$MMARK" >"$MT/.marker"
    fi
    L="$MT/pair/left" R="$MT/pair/right" H="$WORK/million-home"
    mkdir -p "$H" "$WORK/million-empty/left" "$WORK/million-empty/right"
    ITEMS=$(find "$L" "$R" -mindepth 1 | wc -l)
    orv=() fd=() peak=() base=()
    for ((i = 1; i <= RUNS; i++)); do
        sync
        s=$(date +%s.%N)
        /usr/bin/time -f %M -o "$WORK/million-rss" "$ORV" --batch --home "$H" --lang en --yes --left "$L" --right "$R" \
            --target "$WORK/million-dry" --which both --copy --dry-run >/dev/null 2>&1 || true
        e=$(date +%s.%N)
        orv+=("$(awk -v s="$s" -v e="$e" 'BEGIN { printf "%.3f", e - s }')")
        peak+=("$(tail -1 "$WORK/million-rss")")
        s=$(date +%s.%N)
        find "$L" -printf '%s %T@ %p\n' >/dev/null; find "$R" -printf '%s %T@ %p\n' >/dev/null
        e=$(date +%s.%N)
        fd+=("$(awk -v s="$s" -v e="$e" 'BEGIN { printf "%.3f", e - s }')")
        /usr/bin/time -f %M -o "$WORK/million-rss" "$ORV" --batch --home "$H" --lang en --yes \
            --left "$WORK/million-empty/left" --right "$WORK/million-empty/right" --target "$WORK/million-dry" \
            --which both --copy --dry-run >/dev/null 2>&1 || true
        base+=("$(tail -1 "$WORK/million-rss")")
        echo "  run $i: orvanel ${orv[-1]} s (peak ${peak[-1]} KiB), find ${fd[-1]} s"
    done
    ratios=()
    for i in "${!orv[@]}"; do ratios+=("$(div "${orv[$i]}" "${fd[$i]}")"); done
    PB=$(awk -v p="$(median "${peak[@]}")" -v b="$(median "${base[@]}")" -v n="$ITEMS" 'BEGIN { printf "%.0f", (p - b) * 1024 / n }')
    echo
    echo "| case | orvanel median | peer | peer median | ratio | target |"
    echo "|---|---|---|---|---|---|"
    echo "| collection (dry run), $ITEMS items | $(median "${orv[@]}") s | find -printf | $(median "${fd[@]}") s | $(median "${ratios[@]}") | ≤ 1.2 |"
    echo "| memory, $ITEMS items | $PB B/item | – | – | – | ≤ 160 B/item |"
    exit 0
fi

# --- trees (made once, reused) ---------------------------------------------------
TREES="$WORK/trees-$SIZE"
GEN_SUM=$(sha1sum "$GEN" | cut -c1-12)
MARK="done $GEN_SUM $FILES $FOLDERS $MB $MEM_FILES $MEM_FOLDERS $LARGE $LARGE_MIB"
mkdir -p "$WORK"

# Deleting on these disks (ext4 with discard) slows writes for about a minute,
# so old outputs and stale trees go only here, before anything is timed.
say "old outputs are deleted only now, at the start; nothing is deleted between timed runs"
deleted=0
for old in "$WORK"/out-*; do
    [[ -e "$old" ]] || continue
    say "deleting old output $old"; rm -rf "$old"; deleted=1
done
if [[ -d "$TREES" && "$(cat "$TREES/.marker" 2>/dev/null)" != "$MARK" ]]; then
    say "deleting stale trees $TREES"; rm -rf "$TREES"; deleted=1
fi
if ((deleted)); then say "waiting 60 s after the deletion"; sleep 60; fi

if [[ ! -d "$TREES" ]]; then
    say "generating trees in $TREES (once; later sessions reuse them)"
    mkdir -p "$TREES"
    python3 "$GEN" "$TREES/mix" --files "$FILES" --folders "$FOLDERS" --mb "$MB"
    python3 "$GEN" "$TREES/diff5" --files "$FILES" --folders "$FOLDERS" --mb "$MB" --differ 5 --seed 2
    python3 "$GEN" "$TREES/same" --files "$FILES" --folders "$FOLDERS" --mb "$MB" --identical --seed 3
    python3 "$GEN" "$TREES/mem" --files "$MEM_FILES" --folders "$MEM_FOLDERS" --mb 5 --seed 4
    python3 "$GEN" "$TREES/large" --files 0 --folders 10 --large "$LARGE" --large-mib "$LARGE_MIB" --seed 5
    mkdir -p "$TREES/empty/left" "$TREES/empty/right"
    echo "$MARK" >"$TREES/.marker"
else
    say "reusing trees in $TREES"
fi

OUT="$WORK/out-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$OUT"
LOG="$OUT/log.txt"
HOME_DIR="$OUT/home"   # empty settings folder: every option at its default
mkdir -p "$HOME_DIR"
say "outputs and program output: $OUT (log: $LOG)"

# Swap runs change their sources, so each run gets fresh copies, made now.
say "preparing $RUNS fresh copies of the 5 % replicas for orvanel (with and without undo data) and for unison"
for ((i = 1; i <= RUNS; i++)); do
    cp -a "$TREES/diff5" "$OUT/swap-orv-$i"
    cp -a "$TREES/diff5" "$OUT/swap-uni-$i"
    cp -a "$TREES/diff5" "$OUT/swap-nou-$i"
done
sync

warm() { for t in "$@"; do find "$t" -type f -exec cat {} + >/dev/null; done; }

# timed OK_CODES CMD...: runs CMD with its output in the log, sets T (seconds).
T=0
timed() {
    local ok="$1" rc=0 s e
    shift
    sync
    echo "--- $*" >>"$LOG"
    s=$(date +%s.%N)
    "$@" >>"$LOG" 2>&1 || rc=$?
    e=$(date +%s.%N)
    [[ " $ok " == *" $rc "* ]] || { tail -20 "$LOG" >&2; die "exit code $rc from: $*"; }
    T=$(awk -v s="$s" -v e="$e" 'BEGIN { printf "%.3f", e - s }')
}


ROWS=()
# row CASE ORV_TIMES PEER PEER_TIMES LIMIT TARGET_TEXT: ratio is the median of per-run ratios.
row() {
    local name="$1" peer="$3" limit="$5" target="$6" ratios=() i
    local -a o p
    read -ra o <<<"$2"
    read -ra p <<<"$4"
    for i in "${!o[@]}"; do ratios+=("$(div "${o[$i]}" "${p[$i]}")"); done
    local r verdict
    r=$(median "${ratios[@]}")
    verdict=$(awk -v r="$r" -v l="$limit" 'BEGIN { print (r <= l ? "holds" : "misses") }')
    ROWS+=("| $name | $(median "${o[@]}") | $peer | $(median "${p[@]}") | $r | $target | $verdict |")
}

ORV_OPTS=(--batch --home "$HOME_DIR" --lang en --yes)
MIX_L="$TREES/mix/left" MIX_R="$TREES/mix/right"

# 1 and 2: copy mode; each run times orvanel, cp -a and rsync back to back.
# Orvanel puts what it wrote on the disk before it says finished, so its fair
# peers end with sync; the plain ones stay for reference.
say "copy mode vs cp -a and rsync -a, with and without sync ($RUNS runs)"
warm "$TREES/mix"
orv=() cpa=() rs=() cps=() rss=()
for ((i = 1; i <= RUNS; i++)); do
    timed 0 "$ORV" "${ORV_OPTS[@]}" --left "$MIX_L" --right "$MIX_R" --target "$OUT/copy-orv-$i" --which both --copy
    orv+=("$T")
    mkdir "$OUT/copy-cps-$i"
    timed 0 sh -c 'cp -a "$1" "$2" "$3" && sync' cps "$MIX_L" "$MIX_R" "$OUT/copy-cps-$i/"
    cps+=("$T")
    timed 0 sh -c 'rsync -a "$1" "$2" "$3" && sync' rss "$MIX_L/" "$MIX_R/" "$OUT/copy-rss-$i/"
    rss+=("$T")
    mkdir "$OUT/copy-cp-$i"
    timed 0 cp -a "$MIX_L" "$MIX_R" "$OUT/copy-cp-$i/"
    cpa+=("$T")
    timed 0 rsync -a "$MIX_L/" "$MIX_R/" "$OUT/copy-rsync-$i/"
    rs+=("$T")
    echo "  run $i: orvanel ${orv[-1]} s, cp -a && sync ${cps[-1]} s, rsync -a && sync ${rss[-1]} s," \
        "cp -a ${cpa[-1]} s, rsync ${rs[-1]} s"
done
row "copy, $FILES+$FILES files" "${orv[*]}" "cp -a && sync" "${cps[*]}" 0.9 "≤ 0.9"
row "copy, $FILES+$FILES files" "${orv[*]}" "rsync -a && sync" "${rss[*]}" 0.8 "≤ 0.8"
row "copy, $FILES+$FILES files" "${orv[*]}" "cp -a (no sync)" "${cpa[*]}" 1000 "reference"
row "copy, $FILES+$FILES files" "${orv[*]}" "rsync -a (no sync)" "${rs[*]}" 1000 "reference"

# 3: swap on replicas differing in 5 %.
say "swap mode on 5 % differing replicas vs unison ($RUNS runs)"
orv=() uni=()
for ((i = 1; i <= RUNS; i++)); do
    warm "$OUT/swap-orv-$i" "$OUT/swap-uni-$i"
    timed 0 "$ORV" "${ORV_OPTS[@]}" --left "$OUT/swap-orv-$i/left" --right "$OUT/swap-orv-$i/right" \
        --which both --swap --when-exists newer
    orv+=("$T")
    mkdir -p "$OUT/unison-home-$i"
    timed "0 1" env UNISON="$OUT/unison-home-$i" unison "$OUT/swap-uni-$i/left" "$OUT/swap-uni-$i/right" \
        -batch -auto -prefer newer -times
    uni+=("$T")
    echo "  run $i: orvanel ${orv[-1]} s, unison ${uni[-1]} s"
done
row "swap, 5 % differ" "${orv[*]}" "unison" "${uni[*]}" 0.15 "≤ 0.15"

# 3b: the same swap without undo data: what keeping the old versions costs.
say "swap mode on 5 % differing replicas without undo data ($RUNS runs)"
nou=()
for ((i = 1; i <= RUNS; i++)); do
    warm "$OUT/swap-nou-$i"
    timed 0 "$ORV" "${ORV_OPTS[@]}" --left "$OUT/swap-nou-$i/left" --right "$OUT/swap-nou-$i/right" \
        --which both --swap --when-exists newer --no-undo
    nou+=("$T")
    echo "  run $i: orvanel --no-undo ${nou[-1]} s (with undo data ${orv[$((i - 1))]} s)"
done
row "swap, 5 % differ, undo data" "${orv[*]}" "the same, --no-undo" "${nou[*]}" 1.05 "≤ 1.05"

# Rows 4 and 5 take a fraction of a second a run, where another process's
# moment on the disk moves one run's ratio by a third: they run three times as often.
SHORT_RUNS=$((RUNS * 3))

# 4: identical replicas; orvanel's answer is exit code 1, "no items".
say "swap mode on identical replicas vs rsync re-run ($SHORT_RUNS runs)"
warm "$TREES/same"
orv=() rs=()
for ((i = 1; i <= SHORT_RUNS; i++)); do
    timed "0 1" "$ORV" "${ORV_OPTS[@]}" --left "$TREES/same/left" --right "$TREES/same/right" \
        --which both --swap --when-exists newer
    orv+=("$T")
    timed 0 rsync -a "$TREES/same/left/" "$TREES/same/right/"
    rs+=("$T")
    echo "  run $i: orvanel ${orv[-1]} s, rsync ${rs[-1]} s"
done
row "swap, nothing to do" "${orv[*]}" "rsync -a re-run" "${rs[*]}" 0.7 "≤ 0.7"

# 5: collection only.
say "collection (dry run) vs find ($SHORT_RUNS runs)"
find_both() { find "$MIX_L" -printf '%s %T@ %p\n' >/dev/null; find "$MIX_R" -printf '%s %T@ %p\n' >/dev/null; }
orv=() fd=()
for ((i = 1; i <= SHORT_RUNS; i++)); do
    timed 0 "$ORV" "${ORV_OPTS[@]}" --left "$MIX_L" --right "$MIX_R" --target "$OUT/dry-$i" \
        --which both --copy --dry-run
    orv+=("$T")
    timed 0 find_both
    fd+=("$T")
    echo "  run $i: orvanel ${orv[-1]} s, find ${fd[-1]} s"
done
row "collection (dry run)" "${orv[*]}" "find -printf" "${fd[*]}" 1.2 "≤ 1.2"

# 6: peak memory per collected item, above a dry run on two empty folders.
say "peak memory of a dry run on the memory trees ($RUNS runs)"
warm "$TREES/mem"
ITEMS=$(find "$TREES/mem/left" "$TREES/mem/right" -mindepth 1 | wc -l)
base=() peak=()
for ((i = 1; i <= RUNS; i++)); do
    /usr/bin/time -f %M -o "$OUT/rss-base" "$ORV" "${ORV_OPTS[@]}" --left "$TREES/empty/left" \
        --right "$TREES/empty/right" --target "$OUT/mem-empty-$i" --which both --copy --dry-run >>"$LOG" 2>&1 || true
    /usr/bin/time -f %M -o "$OUT/rss-peak" "$ORV" "${ORV_OPTS[@]}" --left "$TREES/mem/left" \
        --right "$TREES/mem/right" --target "$OUT/mem-$i" --which both --copy --dry-run >>"$LOG" 2>&1 || true
    base+=("$(tail -1 "$OUT/rss-base")")
    peak+=("$(tail -1 "$OUT/rss-peak")")
    echo "  run $i: peak ${peak[-1]} KiB, empty-folder baseline ${base[-1]} KiB"
done
PB=$(awk -v p="$(median "${peak[@]}")" -v b="$(median "${base[@]}")" -v n="$ITEMS" \
    'BEGIN { printf "%.0f", (p - b) * 1024 / n }')
MEM_OK=$(awk -v v="$PB" 'BEGIN { print (v <= 160 ? "holds" : "misses") }')
ROWS+=("| memory, $ITEMS items (B/item) | $PB | baseline RSS (KiB) | $(median "${base[@]}" | cut -d. -f1) | – | ≤ 160 B/item | $MEM_OK |")

# 7: large files.
say "$LARGE files of $LARGE_MIB MiB, copy mode vs cp -a && sync ($RUNS runs)"
warm "$TREES/large"
orv=() cps=()
for ((i = 1; i <= RUNS; i++)); do
    timed 0 "$ORV" "${ORV_OPTS[@]}" --left "$TREES/large/left" --right "$TREES/large/right" \
        --target "$OUT/large-orv-$i" --which both --copy
    orv+=("$T")
    mkdir "$OUT/large-cp-$i"
    timed 0 sh -c 'cp -a "$1" "$2" "$3" && sync' cps "$TREES/large/left" "$TREES/large/right" "$OUT/large-cp-$i/"
    cps+=("$T")
    echo "  run $i: orvanel ${orv[-1]} s, cp -a && sync ${cps[-1]} s"
done
row "$LARGE × $LARGE_MIB MiB, copy" "${orv[*]}" "cp -a && sync" "${cps[*]}" 1.0 "≤ 1.0"

echo
echo "Orvanel $(git -C "$ROOT" describe --always --dirty 2>/dev/null || echo '?'), $SIZE trees, $RUNS runs each ($SHORT_RUNS of the swap with nothing to do and the dry run);" \
    "ratio = median of orvanel ÷ peer per run; the copy rows share the orvanel runs."
echo "Memory: (peak RSS − RSS of a dry run on two empty folders) × 1024 ÷ items collected."
echo
echo "| case | orvanel median (s) | peer | peer median (s) | ratio | target | result |"
echo "|---|---|---|---|---|---|---|"
printf '%s\n' "${ROWS[@]}"
echo

if ((KEEP)); then
    say "outputs kept in $OUT; the next session deletes them at its start"
else
    say "deleting this session's outputs $OUT (timing is over)"
    rm -rf "$OUT"
fi
