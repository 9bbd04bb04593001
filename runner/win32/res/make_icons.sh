#!/usr/bin/env bash
# Draws the runner's icons from simple shapes with ImageMagick (Debian package imagemagick):
#   run_off.ico  the program stopped: a grey push button seen from above
#   run_up.ico   the program running: the same button lit green
#   default.ico  a configuration file: a page with the green button on it
# Each icon holds the sizes 16, 20, 24, 32, 40, 48 and 64, each drawn at 256 pixels and
# scaled down. Run runner/win32/res/make_icons.sh to redraw them.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

sizes=(16 20 24 32 40 48 64)

# A push button centred at (cx, cy) with radius r (master coordinates, 256 pixels).
button() {
    local cx=$1 cy=$2 r=$3 face=$4 rim=$5 shine=$6
    local inner=$((r * 72 / 100))
    echo "-fill '$rim' -stroke none -draw 'circle $cx,$cy $((cx + r)),$cy'" \
        "-fill '$face' -draw 'circle $cx,$cy $((cx + inner)),$cy'" \
        "-fill '$shine' -draw 'ellipse $((cx - inner / 3)),$((cy - inner / 3)) $((inner / 2)),$((inner / 3)) 0,360'"
}

master() {
    local out=$1
    shift
    eval "convert -size 256x256 xc:none $* $tmp/$out.png"
}

# A soft shadow under the button keeps it readable on light and dark backgrounds.
master run_off "-fill 'rgba(0,0,0,0.25)' -draw 'circle 130,136 244,136'" \
    "$(button 128 128 112 '#9aa3ad' '#3c424a' 'rgba(255,255,255,0.45)')"
master run_up "-fill 'rgba(0,0,0,0.25)' -draw 'circle 130,136 244,136'" \
    "$(button 128 128 112 '#2fbf5f' '#1d5e34' 'rgba(255,255,255,0.55)')"
master default \
    "-fill 'rgba(0,0,0,0.2)' -draw 'polygon 44,20 180,20 228,68 228,248 44,248'" \
    "-fill white -stroke '#6b7380' -strokewidth 8 -draw 'polygon 36,12 172,12 220,60 220,240 36,240 36,12'" \
    "-fill '#dfe3e8' -stroke '#6b7380' -strokewidth 8 -draw 'polygon 172,12 172,60 220,60'" \
    "-stroke '#9aa3ad' -strokewidth 12 -draw 'line 68,72 148,72' -draw 'line 68,108 188,108' -draw 'line 68,144 112,144'" \
    "$(button 164 186 50 '#2fbf5f' '#1d5e34' 'rgba(255,255,255,0.55)')"

for name in run_off run_up default; do
    pngs=()
    for size in "${sizes[@]}"; do
        convert "$tmp/$name.png" -filter Lanczos -resize "${size}x${size}" "$tmp/$name-$size.png"
        pngs+=("$tmp/$name-$size.png")
    done
    convert "${pngs[@]}" "$name.ico"
done
