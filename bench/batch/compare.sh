#!/bin/bash
# Runs the batch jobs on the corpus with quillet-batch and, when installed,
# with libvips' vipsthumbnail, ImageMagick's convert and Pillow, and prints a
# Markdown table of images per second and peak memory (largest process).
#
#   bench/batch/compare.sh [--install] BUILD_DIR [CORPUS_DIR] [COUNT]
#
# BUILD_DIR holds quillet-batch (src/output) and make_corpus (bench/batch,
# configured with -DBUILD_BENCHMARKS=ON). The corpus is made there when it is
# missing. --install first installs the other tools with apt-get; they are
# only ever needed here, never by the tests.
set -euo pipefail

install=0
if [ "${1:-}" = "--install" ]; then install=1; shift; fi
build=${1:?usage: compare.sh [--install] BUILD_DIR [CORPUS_DIR] [COUNT]}
corpus=${2:-$build/batch-corpus}
count=${3:-8}
batch=$build/src/output/quillet-batch
maker=$build/bench/batch/make_corpus

if [ "$install" = 1 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        libvips-tools imagemagick python3-pil time >/dev/null
fi
[ -x "$batch" ] || { echo "no $batch: build quillet-batch first" >&2; exit 2; }
if [ ! -d "$corpus/jpeg" ]; then
    [ -x "$maker" ] || { echo "no $maker: configure with -DBUILD_BENCHMARKS=ON" >&2; exit 2; }
    echo "making the corpus in $corpus ($count of each)..." >&2
    "$maker" "$corpus" "$count"
fi

have() { command -v "$1" >/dev/null 2>&1; }
pillow=""
for py in /usr/bin/python3 python3; do
    if have "$py" && "$py" -c 'import PIL' 2>/dev/null; then pillow=$py; break; fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# measure NAME JOB COMMAND...: runs the command once, prints a table row.
measure() {
    local tool=$1 job=$2; shift 2
    local out=$work/out; rm -rf "$out"; mkdir -p "$out"
    local n; n=$(ls "$corpus/$input" | wc -l)
    # Through bash, so that the job may be one of the functions below.
    if ! /usr/bin/time -f '%e %M' -o "$work/time" bash -c '"$@"' _ "$@" >"$work/log" 2>&1; then
        echo "| $job | $tool | failed | | |"; return
    fi
    read -r secs kb <"$work/time"
    local written; written=$(ls "$out" | wc -l)
    awk -v j="$job" -v t="$tool" -v n="$n" -v s="$secs" -v k="$kb" -v w="$written" \
        'BEGIN { printf "| %s | %s | %.2f | %.0f | %d/%d |\n", j, t, (s > 0 ? n / s : 0), k / 1024, w, n }'
}

# Pillow, one process for the whole job: size, quality, rotation, format.
pillow_job() {
    "$pillow" - "$work/out" "$@" <<'PY'
import sys
from PIL import Image
out, size, quality, rotate, ext = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
for path in sys.argv[6:]:
    with Image.open(path) as im:
        im.thumbnail((size, size), Image.Resampling.BILINEAR, reducing_gap=None)
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

# vips: thumbnail, then an optional quarter turn.
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

export work pillow
export -f pillow_job convert_job vips_job

# run_job JOB INPUT SIZE QUALITY ROTATE FORMAT: one row per available tool.
run_job() {
    local job=$1 size=$3 quality=$4 rotate=$5 format=$6
    input=$2
    local files=("$corpus/$input"/*)
    local name quality_name=high
    case $size in 800) name=huge ;; 640) name=large ;; *) name=$size ;; esac
    [ "$quality" = 84 ] || quality_name=$quality
    measure quillet-batch "$job" "$batch" --quiet --overwrite all --size "$name" \
        --quality "$quality_name" --rotate "$rotate" --format "$format" -o "$work/out" "${files[@]}"
    if have vipsthumbnail; then
        local suffix=$format
        [ "$format" = jpg ] && suffix="jpg[Q=$quality]"
        measure vipsthumbnail "$job" vips_job "$size" "$rotate" "$suffix" "${files[@]}"
    fi
    if have convert; then
        local args="-resize ${size}x${size}"
        [ "$rotate" = 0 ] || args="$args -rotate $rotate"
        [ "$format" = jpg ] && args="$args -quality $quality"
        measure convert "$job" convert_job "$args" "$format" "${files[@]}"
    fi
    if [ -n "$pillow" ]; then
        measure Pillow "$job" pillow_job "$size" "$quality" "$rotate" "$format" "${files[@]}"
    fi
}

echo "| job | tool | images/s | peak MiB | written |"
echo "|---|---|---:|---:|---|"
run_job "12 MP JPEG -> 800 px JPEG q84" jpeg 800 84 0 jpg
run_job "12 MP JPEG -> 800 px JPEG q84, rotate 90" jpeg 800 84 90 jpg
run_job "PNG -> 640 px PNG" png 640 84 0 png
run_job "12 MP JPEG -> 640 px GIF" jpeg 640 84 0 gif
