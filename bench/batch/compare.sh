#!/bin/bash
# Runs the batch jobs with quillet-batch and, side by side in the same run,
# with libvips' vipsthumbnail and Pillow (and ImageMagick's convert when
# asked), and prints a Markdown table: median wall time of RUNS runs, images
# per second, peak memory (largest process), files written, and for each job
# quillet-batch's throughput divided by the fastest other tool's.
#
#   bench/batch/compare.sh [--install] [--convert] [--runs N] [--keep DIR] [--no-tree] BUILD_DIR [CORPUS_DIR]
#
# CORPUS_DIR is either the photo corpus of make-photo-corpus (jpeg12mp/ and
# png_rgba/, default /tmp/qcorpus when it exists) or one made here by
# bench/batch/make_corpus (jpeg/ and png/, made in BUILD_DIR/batch-corpus
# when missing; configure with -DBUILD_BENCHMARKS=ON). --install first
# installs the other tools with apt-get; only this script ever needs them.
# --keep DIR keeps every tool's output of the last run in DIR/JOB/TOOL, named
# after the sources, for resize-quality. The jobs:
#   A  12 MP JPEG -> 800 px JPEG q84        B  A turned 90 degrees clockwise
#   C  RGBA PNG -> 640 px PNG               D  12 MP JPEG -> 640 px GIF
#   E  phone-size HEIC -> 800 px JPEG q84, the HEIC files made from A's JPEGs
#      by bench/batch/make_heic into BUILD_DIR/heic-corpus (skipped without it;
#      Pillow reads no HEIC)
#   F  A with every file limited to 150 KB (--max-size 150K); no other tool
#      has a size limit, so F is compared with quillet-batch's own time for A
#   G  12 MP JPEG -> 800 px AVIF at quality medium, beside vipsthumbnail's
#      AVIF (libheif with AOM, its default Q=50); Pillow writes no AVIF. With
#      --keep, decode both with avifdec and score them with resize-quality.
#   H  A at three sizes, 320, 640 and 1280 px: quillet-batch in one run with a
#      size list (three runs while it has none), vipsthumbnail in three runs;
#      also printed against quillet-batch's own time for 1280 px alone
#   J  12 MP JPEG -> 800 px JPEG XL at quality medium, beside vipsthumbnail's
#      JPEG XL (its defaults); Pillow writes none
#   T  2,000 photos (A's files, hard-linked) in 50 subfolders -> 800 px JPEG
#      in the same tree: quillet-batch -r with --keep-folders (one run per
#      folder while it has none), vipsthumbnail one run per folder; measured
#      once whatever RUNS says (--no-tree leaves it out)
set -euo pipefail

install=0 convert=0 runs=3 keep="" tree=1
while [ $# -gt 0 ]; do
    case $1 in
    --install) install=1; shift ;;
    --convert) convert=1; shift ;;
    --runs) runs=$2; shift 2 ;;
    --no-tree) tree=0; shift ;;
    --keep) keep=$(mkdir -p "$2" && cd "$2" && pwd); shift 2 ;;
    *) break ;;
    esac
done
build=${1:?usage: compare.sh [--install] [--convert] [--runs N] [--keep DIR] [--no-tree] BUILD_DIR [CORPUS_DIR]}
build=$(cd "$build" && pwd)
corpus=${2:-}
if [ -z "$corpus" ]; then
    if [ -d /tmp/qcorpus/jpeg12mp ]; then corpus=/tmp/qcorpus; else corpus=$build/batch-corpus; fi
fi
batch=$build/src/output/quillet-batch
maker=$build/bench/batch/make_corpus
heic_maker=$build/bench/batch/make_heic
heics=$build/heic-corpus

if [ "$install" = 1 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        libvips-tools python3-pil time >/dev/null
    if [ "$convert" = 1 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends imagemagick >/dev/null
    fi
fi
[ -x "$batch" ] || { echo "no $batch: build quillet-batch first" >&2; exit 2; }
if [ -d "$corpus/jpeg12mp" ]; then
    jpegs=jpeg12mp pngs=png_rgba
else
    jpegs=jpeg pngs=png
    if [ ! -d "$corpus/jpeg" ]; then
        [ -x "$maker" ] || { echo "no $maker: configure with -DBUILD_BENCHMARKS=ON" >&2; exit 2; }
        echo "making the corpus in $corpus..." >&2
        "$maker" "$corpus" 8
    fi
fi

have() { command -v "$1" >/dev/null 2>&1; }
pillow=""
for py in /usr/bin/python3 python3; do
    if have "$py" && "$py" -c 'import PIL' 2>/dev/null; then pillow=$py; break; fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The folder of the job's input: a corpus folder, or an absolute path.
input_dir() {
    case $input in /*) echo "$input" ;; *) echo "$corpus/$input" ;; esac
}

# measure TOOL JOB COMMAND...: runs the command $runs times into $work/out,
# prints a table row and leaves the median seconds in $work/secs.
measure() {
    local tool=$1 job=$2; shift 2
    local n; n=$(find -L "$(input_dir)" -type f | wc -l)
    local times=() peak=0 written=0
    for ((r = 0; r < runs; r++)); do
        local out=$work/out; rm -rf "$out"; mkdir -p "$out"
        # Through bash, so that the job may be one of the functions below.
        if ! /usr/bin/time -f '%e %M' -o "$work/time" bash -c '"$@"' _ "$@" >"$work/log" 2>&1; then
            echo "| $job | $tool | failed | | | |"; echo 0 >"$work/secs"; return
        fi
        local secs kb; read -r secs kb <"$work/time"
        times+=("$secs"); [ "$kb" -gt "$peak" ] && peak=$kb
        written=$(find "$out" -type f | wc -l)
    done
    if [ -n "$keep" ]; then rm -rf "${keep:?}/$job/$tool"; mkdir -p "$keep/$job"; cp -r "$work/out" "$keep/$job/$tool"; fi
    local median; median=$(printf '%s\n' "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
    echo "$median" >"$work/secs"
    awk -v j="$job" -v t="$tool" -v n="$n" -v s="$median" -v k="$peak" -v w="$written" \
        'BEGIN { printf "| %s | %s | %.2f | %.1f | %.0f | %d/%d |\n", j, t, s, (s > 0 ? n / s : 0), k / 1024, w, n }'
}

# Pillow, one process for the whole job: size, quality, rotation, format.
# thumbnail() with its default reducing_gap uses the JPEG draft mode (DCT scaling).
pillow_job() {
    "$pillow" - "$work/out" "$@" <<'PY'
import sys
from PIL import Image
out, size, quality, rotate, ext = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
for path in sys.argv[6:]:
    with Image.open(path) as im:
        im.thumbnail((size, size), Image.Resampling.BILINEAR)
        if rotate:
            im = im.transpose(Image.Transpose.ROTATE_270)
        name = out + "/" + path.rsplit("/", 1)[-1].rsplit(".", 1)[0] + "." + ext
        if ext == "jpg":
            im.convert("RGB").save(name, quality=quality)
        elif ext == "gif":
            im.convert("RGB").convert("P", palette=Image.Palette.ADAPTIVE, colors=256).save(name)
        else:
            im.save(name)
PY
}

# convert, one process per image (the usual shell loop).
convert_job() {
    local args=$1; shift
    local ext=$1; shift
    for f in "$@"; do
        local base; base=$(basename "$f"); base=${base%.*}
        # shellcheck disable=SC2086
        convert "$f" $args "$work/out/$base.$ext"
    done
}

# vips: thumbnail (shrink-on-load), then an optional quarter turn.
vips_job() {
    local size=$1 rotate=$2 suffix=$3; shift 3
    if [ "$rotate" = 0 ]; then
        vipsthumbnail "$@" --size "$size" -o "$work/out/%s.$suffix"
    else
        for f in "$@"; do
            local base; base=$(basename "$f"); base=${base%.*}
            vips thumbnail "$f" "$work/tmp.v" "$size"
            vips rot "$work/tmp.v" "$work/out/$base.$suffix" d90
        done
    fi
}

# vipsthumbnail at each size into its own folder.
vips_sizes() {
    for size in 320 640 1280; do
        mkdir -p "$work/out/$size"
        vipsthumbnail "$@" --size "$size" -o "$work/out/$size/%s.jpg[Q=84]"
    done
}

# One run per subfolder of the tree, into the same subfolder of the output.
per_folder() {
    local tree=$1; shift
    for dir in "$tree"/*/; do
        local name; name=$(basename "$dir")
        mkdir -p "$work/out/$name"
        "$@" "$dir" "$work/out/$name"
    done
}
quillet_folder() { "$batch" --quiet --overwrite all --size huge --quality high --format jpg -o "$2" "$1"; }
vips_folder() { vipsthumbnail "$1"/*.jpg --size 800 -o "$2/%s.jpg[Q=84]"; }

export work pillow batch
export -f pillow_job convert_job vips_job vips_sizes per_folder quillet_folder vips_folder

ratios=()
best=""
# note_peer: keeps the shortest median of the other tools in $best.
note_peer() {
    local s; s=$(cat "$work/secs")
    if [ "$s" != 0 ] && { [ -z "$best" ] || awk -v a="$s" -v b="$best" 'BEGIN { exit !(a < b) }'; }; then
        best=$s
    fi
}

# run_job JOB INPUT SIZE QUALITY ROTATE FORMAT: one row per available tool.
run_job() {
    local job=$1 size=$3 quality=$4 rotate=$5 format=$6
    input=$2
    local files=("$(input_dir)"/*)
    local name quality_name=$quality
    case $size in 800) name=huge ;; 640) name=large ;; *) name=$size ;; esac
    case $quality in 48) quality_name=low ;; 66) quality_name=medium ;; 84) quality_name=high ;; esac
    measure quillet-batch "$job" "$batch" --quiet --overwrite all --size "$name" \
        --quality "$quality_name" --rotate "$rotate" --format "$format" -o "$work/out" "${files[@]}"
    local ours; ours=$(cat "$work/secs")
    ours_of[$job]=$ours
    best=""
    if have vipsthumbnail; then
        local suffix=$format
        [ "$format" = jpg ] && suffix="jpg[Q=$quality]"
        measure vipsthumbnail "$job" vips_job "$size" "$rotate" "$suffix" "${files[@]}"; note_peer
    fi
    if [ "$convert" = 1 ] && have convert; then
        local args="-resize ${size}x${size}"
        [ "$rotate" = 0 ] || args="$args -rotate $rotate"
        [ "$format" = jpg ] && args="$args -quality $quality"
        measure convert "$job" convert_job "$args" "$format" "${files[@]}"; note_peer
    fi
    if [ -n "$pillow" ]; then
        measure Pillow "$job" pillow_job "$size" "$quality" "$rotate" "$format" "${files[@]}"; note_peer
    fi
    if [ -n "$best" ] && [ "$ours" != 0 ]; then
        ratios+=("$(awk -v j="$job" -v o="$ours" -v b="$best" 'BEGIN { printf "| %s | %.2fx |", j, b / o }')")
    fi
}

declare -A ours_of
echo "| job | tool | seconds (median of $runs) | images/s | peak MiB | written |"
echo "|---|---|---:|---:|---:|---|"
run_job A "$jpegs" 800 84 0 jpg
run_job B "$jpegs" 800 84 90 jpg
run_job C "$pngs" 640 84 0 png
run_job D "$jpegs" 640 84 0 gif
if [ -x "$heic_maker" ] && "$heic_maker" "$corpus/$jpegs" "$heics"; then
    pillow=""
    run_job E "$heics" 800 84 0 jpg
else
    echo "job E skipped: no $heic_maker (configure with -DBUILD_BENCHMARKS=ON)" >&2
fi
input=$jpegs
measure quillet-batch F "$batch" --quiet --overwrite all --size huge --quality high --max-size 150K \
    --format jpg -o "$work/out" "$(input_dir)"/*
limited=$(cat "$work/secs")
pillow=""
run_job G "$jpegs" 800 66 0 avif
run_job J "$jpegs" 800 66 0 jxl

# H: three sizes. A size list is taken when quillet-batch accepts one.
input=$jpegs
probe=$(mktemp -d)
if "$batch" --quiet --overwrite all --size 32,64 --format jpg -o "$probe" \
    "$(ls -d "$(input_dir)"/* | head -1)" >/dev/null 2>&1; then
    measure quillet-batch H "$batch" --quiet --overwrite all --size 320,640,1280 --quality high \
        --format jpg -o "$work/out" "$(input_dir)"/*
else
    measure "quillet-batch (3 runs)" H bash -c 'for s in 320 640 1280; do mkdir -p "$work/out/$s"; "$batch" --quiet --overwrite all --size $s --quality high --format jpg -o "$work/out/$s" "$@"; done' _ "$(input_dir)"/*
fi
rm -rf "$probe"
three=$(cat "$work/secs")
best=""
if have vipsthumbnail; then
    measure vipsthumbnail H vips_sizes "$(input_dir)"/*; note_peer
    [ -n "$best" ] && [ "$three" != 0 ] &&
        ratios+=("$(awk -v o="$three" -v b="$best" 'BEGIN { printf "| H | %.2fx |", b / o }')")
fi
measure quillet-batch "H (1280 only)" "$batch" --quiet --overwrite all --size 1280 --quality high \
    --format jpg -o "$work/out" "$(input_dir)"/*
single=$(cat "$work/secs")

# T: the tree of 2,000 photos, made of hard links to A's files.
if [ "$tree" = 1 ]; then
    treedir=$work/tree
    files=("$(input_dir)"/*)
    for ((i = 0; i < 2000; i++)); do
        dir=$treedir/$(printf 'folder%02d' $((i / 40)))
        mkdir -p "$dir"
        ln -f "${files[i % ${#files[@]}]}" "$dir/$(printf 'photo%04d.jpg' "$i")" 2>/dev/null ||
            cp "${files[i % ${#files[@]}]}" "$dir/$(printf 'photo%04d.jpg' "$i")"
    done
    input=$treedir
    saved_runs=$runs; runs=1
    if "$batch" --help | grep -q -- --keep-folders; then
        measure quillet-batch T "$batch" --quiet --overwrite all -r --keep-folders --size huge \
            --quality high --format jpg -o "$work/out" "$treedir"
    else
        measure "quillet-batch (per folder)" T per_folder "$treedir" quillet_folder
    fi
    ours_tree=$(cat "$work/secs")
    best=""
    if have vipsthumbnail; then
        measure vipsthumbnail T per_folder "$treedir" vips_folder; note_peer
        [ -n "$best" ] && [ "$ours_tree" != 0 ] &&
            ratios+=("$(awk -v o="$ours_tree" -v b="$best" 'BEGIN { printf "| T | %.2fx |", b / o }')")
    fi
    runs=$saved_runs
    rm -rf "$treedir"
fi
echo
echo "| job | quillet-batch throughput / fastest other tool |"
echo "|---|---:|"
printf '%s\n' "${ratios[@]}"
[ "${ours_of[A]:-0}" = 0 ] ||
    awk -v f="$limited" -v a="${ours_of[A]}" 'BEGIN { printf "\n| F (150 KB limit) | %.2fx the time of A |\n", f / a }'
[ "${single:-0}" = 0 ] ||
    awk -v t="$three" -v o="$single" 'BEGIN { printf "| H (three sizes) | %.2fx the time of 1280 px alone |\n", t / o }'
