#!/usr/bin/env bash
# Draws the editor's icons from simple shapes with ImageMagick (Debian package imagemagick),
# in the flat style of the runner's push button (runner/win32/res/make_icons.sh).
# Each picture is drawn at 256 pixels and scaled down; the small sizes get their own drawing
# with heavier strokes so that they stay crisp at 16 pixels. README.md lists what each shows.
# Run editor/win32/res/make_icons.sh to redraw them.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The runner's colours, and a few more for folders, pencils and warnings.
grey_face='#9aa3ad' grey_rim='#3c424a' ink='#6b7380' paper_fold='#dfe3e8'
green_face='#2fbf5f' green_rim='#1d5e34' green_light='#c9f0d6'
red_face='#e0483e' red_rim='#7a1f1a'
blue_face='#3b7dd8' blue_rim='#1f4680'
folder_face='#f2c14e' folder_back='#d9a22c' folder_rim='#8a6212'
shine='rgba(255,255,255,0.5)' shadow='rgba(0,0,0,0.2)'

# The stroke weight of the drawing being made: 10 for the large sizes, more for the small ones.
k=10
w() { echo $(($1 * k / 10)); }
# The width of a symbol's strokes (a plus, a check mark): heavier at small sizes, less than outlines.
g() { echo $(($1 * (k + 10) / 20)); }

# A push button centred at (cx, cy) with radius r, as in the runner's icons; lit=0 leaves
# out the shine where a white symbol goes on it.
button() {
    local cx=$1 cy=$2 r=$3 face=$4 rim=$5 lit=${6:-1}
    local inner=$((r * 72 / 100))
    echo "-fill '$rim' -stroke none -draw 'circle $cx,$cy $((cx + r)),$cy'" \
        "-fill '$face' -draw 'circle $cx,$cy $((cx + inner)),$cy'"
    if ((lit)); then
        echo "-fill '$shine' -draw 'ellipse $((cx - inner / 3)),$((cy - inner / 3)) $((inner / 2)),$((inner / 3)) 0,360'"
    fi
}

# A page with a folded corner, its shadow and (with lines=1) a few lines of text.
page() {
    local x0=$1 y0=$2 x1=$3 y1=$4 lines=${5:-1}
    local f=$(((x1 - x0) / 3)) s
    s=$(w 8)
    echo "-fill '$shadow' -stroke none -draw 'polygon $((x0 + s)),$((y0 + s)) $((x1 - f + s)),$((y0 + s)) $((x1 + s)),$((y0 + f + s)) $((x1 + s)),$((y1 + s)) $((x0 + s)),$((y1 + s))'" \
        "-fill white -stroke '$ink' -strokewidth $s -draw 'polygon $x0,$y0 $((x1 - f)),$y0 $x1,$((y0 + f)) $x1,$y1 $x0,$y1'" \
        "-fill '$paper_fold' -draw 'polygon $((x1 - f)),$y0 $((x1 - f)),$((y0 + f)) $x1,$((y0 + f))'"
    if ((lines)); then
        local lx=$((x0 + (x1 - x0) / 5)) step y
        step=$(w 36)
        echo "-stroke '$grey_face' -strokewidth $(w 12)"
        for ((y = y0 + f + step; y < y1 - step / 2; y += step)); do
            echo "-draw 'line $lx,$y $((x1 - (x1 - x0) / 5)),$y'"
        done
    fi
}

# A round badge at (cx, cy) with radius r carrying a white plus or cross; at the small sizes
# it grows, keeping its lower right edge.
badge() {
    local r=$(($3 * (k + 30) / 40)) face=$4 rim=$5 sign=$6
    local cx=$(($1 + $3 - r)) cy=$(($2 + $3 - r))
    local a=$((r * 55 / 100)) d=$((r * 40 / 100))
    echo "-fill '$face' -stroke '$rim' -strokewidth $(w 8) -draw 'circle $cx,$cy $((cx + r)),$cy'" \
        "-stroke white -strokewidth $(g 18) -fill none"
    if [[ $sign == plus ]]; then
        echo "-draw 'line $((cx - a)),$cy $((cx + a)),$cy' -draw 'line $cx,$((cy - a)) $cx,$((cy + a))'"
    else
        echo "-draw 'line $((cx - d)),$((cy - d)) $((cx + d)),$((cy + d))' -draw 'line $((cx - d)),$((cy + d)) $((cx + d)),$((cy - d))'"
    fi
}

# A pencil lying from its tip at (x, y) up and to the right, length l.
pencil() {
    local x=$1 y=$2 l=$3 h
    h=$(g 22)
    ((h < 22)) && h=22
    local t=$((h * 2)) e=$((l - h * 2))
    echo "-draw \"push graphic-context translate $x,$y rotate -45" \
        "stroke '$grey_rim' stroke-width $(w 6)" \
        "fill '#f1d3a0' polygon 0,0 $t,-$h $t,$h" \
        "fill '$grey_rim' polygon 0,0 $((t / 3)),-$((h / 3)) $((t / 3)),$((h / 3))" \
        "fill '$folder_face' rectangle $t,-$h $e,$h" \
        "fill '#e88f9a' rectangle $e,-$h $l,$h" \
        "pop graphic-context\""
}

# A folder from (x0, y0) to (x1, y1) with a tab; with open=1 its front leans forward.
folder() {
    local x0=$1 y0=$2 x1=$3 y1=$4 open=${5:-0}
    local s tab=$(((y1 - y0) / 5)) tw=$(((x1 - x0) * 2 / 5))
    s=$(w 8)
    echo "-fill '$shadow' -stroke none -draw 'rectangle $((x0 + s)),$((y0 + tab + s)) $((x1 + s)),$((y1 + s))'" \
        "-fill '$folder_back' -stroke '$folder_rim' -strokewidth $s" \
        "-draw 'polygon $x0,$y1 $x0,$y0 $((x0 + tw)),$y0 $((x0 + tw + tab)),$((y0 + tab)) $x1,$((y0 + tab)) $x1,$y1'"
    if ((open)); then
        echo "$(page $((x0 + (x1 - x0) / 6)) $((y0 + tab / 2)) $((x1 - (x1 - x0) / 8)) $((y1 - tab)) 0)" \
            "-fill '$folder_face' -stroke '$folder_rim' -strokewidth $s" \
            "-draw 'polygon $x0,$y1 $((x0 + (x1 - x0) / 6)),$((y0 + tab * 2)) $((x1 + (x1 - x0) / 10)),$((y0 + tab * 2)) $x1,$y1'"
    else
        echo "-fill '$folder_face' -draw 'rectangle $x0,$((y0 + tab * 2)) $x1,$y1'"
    fi
}

# A green arrow with its point at (x, y), pointing down, shaft width sw, length l.
arrow_down() {
    local x=$1 y=$2 l=$3 sw=$4
    local hw=$((sw * 2)) hl=$((sw * 2))
    echo "-fill '$green_face' -stroke '$green_rim' -strokewidth $(w 8)" \
        "-draw 'polygon $x,$y $((x - hw)),$((y - hl)) $((x - sw / 2)),$((y - hl)) $((x - sw / 2)),$((y - l)) $((x + sw / 2)),$((y - l)) $((x + sw / 2)),$((y - hl)) $((x + hw)),$((y - hl))'"
}

# A save disk from (x0, y0) to (x1, y1): a label at the top, a shutter at the bottom.
disk() {
    local x0=$1 y0=$2 x1=$3 y1=$4 s n
    s=$(w 8)
    n=$(((x1 - x0) / 7))
    local lx0=$((x0 + (x1 - x0) / 6)) lx1=$((x1 - (x1 - x0) / 6))
    echo "-fill '$shadow' -stroke none -draw 'rectangle $((x0 + s)),$((y0 + s)) $((x1 + s)),$((y1 + s))'" \
        "-fill '$blue_face' -stroke '$blue_rim' -strokewidth $s" \
        "-draw 'polygon $x0,$y0 $((x1 - n)),$y0 $x1,$((y0 + n)) $x1,$y1 $x0,$y1'" \
        "-fill white -draw 'rectangle $lx0,$y0 $lx1,$((y0 + (y1 - y0) * 2 / 5))'" \
        "-fill '$grey_face' -draw 'rectangle $((lx0 + (x1 - x0) / 10)),$((y1 - (y1 - y0) * 3 / 10)) $((lx1 - (x1 - x0) / 10)),$y1'" \
        "-fill '$grey_rim' -stroke none -draw 'rectangle $((lx1 - (x1 - x0) / 5)),$((y1 - (y1 - y0) / 4)) $((lx1 - (x1 - x0) / 8)),$((y1 - (y1 - y0) / 16))'"
}

# A ring of radius r round the centre, the mapping buttons' frame.
ring() {
    local r=$1 colour=$2 fill=$3
    echo "-fill '$fill' -stroke '$colour' -strokewidth $(g 20) -draw 'circle 128,128 $((128 + r)),128'"
}

# A check mark inside the ring.
check() {
    echo "-fill none -stroke '$1' -strokewidth $(g 26) -draw 'stroke-linecap round stroke-linejoin round polyline 72,128 112,170 188,86'"
}

draw_vantrel() {
    # A mapping table: a page ruled into a header and rows of two columns, with a pencil.
    local s
    s=$(w 8)
    echo "-fill '$shadow' -stroke none -draw 'rectangle 28,28 220,244'" \
        "-fill white -stroke '$ink' -strokewidth $s -draw 'rectangle 20,16 212,236'" \
        "-fill '$green_face' -stroke '$green_rim' -draw 'rectangle 20,16 212,72'" \
        "-stroke '$grey_face' -strokewidth $(w 10)" \
        "-draw 'line 84,72 84,236' -draw 'line 20,126 212,126' -draw 'line 20,181 212,181'" \
        "-fill none -stroke '$ink' -strokewidth $s -draw 'rectangle 20,16 212,236'" \
        "$(pencil 132 236 176)"
}
draw_tool_open() { folder 16 40 232 224 1; }
draw_tool_new() { echo "$(page 36 12 204 236)" "$(badge 180 184 60 "$green_face" "$green_rim" plus)"; }
draw_tool_load() { echo "$(folder 16 72 232 236)" "$(arrow_down 148 184 168 40)"; }
draw_tool_close() { echo "$(page 36 12 204 236)" "$(badge 180 184 60 "$red_face" "$red_rim" cross)"; }
draw_tool_save() { disk 24 24 232 232; }
draw_tool_saveas() { echo "$(disk 8 8 200 200)" "$(pencil 132 244 156)"; }
draw_tool_clone() { echo "$(page 16 8 164 180 0)" "$(page 88 72 236 244)"; }
draw_tool_delete() {
    # A bin: a lid with a handle over a tapering body with grooves.
    local s
    s=$(w 8)
    echo "-fill '$shadow' -stroke none -draw 'polygon 64,84 212,84 196,248 80,248'" \
        "-fill '$grey_face' -stroke '$grey_rim' -strokewidth $s" \
        "-draw 'polygon 52,76 204,76 188,240 68,240'" \
        "-draw 'rectangle 96,24 160,52' -draw 'rectangle 32,48 224,76'" \
        "-stroke '$grey_rim' -strokewidth $(g 12)" \
        "$( ((k > 10)) && echo "-draw 'line 108,104 110,212' -draw 'line 148,104 146,212'" ||
            echo "-draw 'line 100,104 106,212' -draw 'line 128,104 128,212' -draw 'line 156,104 150,212'")"
}
draw_tool_icon() {
    # A picture frame: sky, sun and a green hill.
    local s
    s=$(w 8)
    echo "-fill '$shadow' -stroke none -draw 'rectangle 24,40 248,236'" \
        "-fill '$grey_face' -stroke '$grey_rim' -strokewidth $s -draw 'rectangle 12,28 240,224'" \
        "-fill '#bfe0ff' -draw 'rectangle 44,60 208,192'" \
        "-fill '#f5c518' -stroke none -draw 'circle 160,100 182,100'" \
        "-fill '$green_face' -stroke '$green_rim' -strokewidth $s -draw 'polygon 44,192 44,160 100,108 148,160 172,140 208,176 208,192'"
}
draw_tool_joy() {
    # A game controller inside two arrows turning round it (radius 106, each a third of a turn).
    local s arcs
    s=$(w 8)
    arcs="-draw \"path 'M 28,92 A 106,106 0 0 1 181,36 M 228,164 A 106,106 0 0 1 75,220'\""
    echo "-fill none -stroke '$green_rim' -strokewidth $(g 30) $arcs" \
        "-stroke '$green_face' -strokewidth $(g 14) $arcs" \
        "-fill '$green_face' -stroke '$green_rim' -strokewidth $s" \
        "-draw 'polygon 166,62 196,10 228,92' -draw 'polygon 90,194 60,246 28,164'" \
        "-fill '$ink' -stroke '$grey_rim' -strokewidth $s" \
        "-draw 'roundrectangle 52,92 204,160 28,28' -draw 'circle 80,156 80,188' -draw 'circle 176,156 176,188'" \
        "-stroke none -draw 'rectangle 60,108 196,152'" \
        "-fill white -draw 'rectangle 68,$((124 - $(g 8))) 116,$((124 + $(g 8)))' -draw 'rectangle $((92 - $(g 8))),100 $((92 + $(g 8))),148'" \
        "-fill '$green_face' -draw 'circle 168,124 $((168 + $(g 14))),124'"
}
draw_tool_run() { echo "$(button 128 128 112 "$green_face" "$green_rim" 0)" "-fill white -stroke none -draw 'polygon 100,76 100,180 184,128'"; }
draw_tool_help() {
    echo "$(button 128 128 112 "$blue_face" "$blue_rim" 0)" \
        "-fill none -stroke white -strokewidth $(g 30) -draw \"stroke-linecap round stroke-linejoin round path 'M 88,98 A 40,40 0 0 1 168,98 C 168,130 128,124 128,160'\"" \
        "-fill white -stroke none -draw 'circle 128,200 $((128 + $(g 17))),200'"
}
draw_rec_off() { echo "$(ring 104 "$ink" none)" "$(button 128 128 64 "$grey_face" "$grey_rim")"; }
draw_rec_on() { echo "$(ring 104 "$red_rim" none)" "$(button 128 128 64 "$red_face" "$red_rim")"; }
draw_test_off() { echo "$(ring 104 "$ink" white)" "$(check "$grey_rim")"; }
draw_test_on() { echo "$(ring 104 "$green_rim" "$green_light")" "$(check "$green_rim")"; }
draw_marker_none() { :; }
draw_marker_record() { echo "-fill '$red_face' -stroke '$red_rim' -strokewidth $(w 12) -draw 'circle 128,128 192,128'"; }
draw_marker_chosen() { echo "-fill '$blue_face' -stroke '$blue_rim' -strokewidth $(w 12) -draw 'polygon 48,80 208,80 128,192'"; }
draw_row() {
    # A key-cap seen slightly from the front: a darker side below a lighter top.
    local s
    s=$(w 8)
    echo "-fill '$grey_face' -stroke '$grey_rim' -strokewidth $s -draw 'roundrectangle 24,24 232,232 40,40'" \
        "-fill '$paper_fold' -stroke none -draw 'roundrectangle 52,44 204,180 24,24'" \
        "-fill '$shine' -draw 'roundrectangle 64,56 192,88 16,16'"
}
draw_row_held() {
    # The key-cap pressed down: lit green, its top lower.
    local s
    s=$(w 8)
    echo "-fill '$green_face' -stroke '$green_rim' -strokewidth $s -draw 'roundrectangle 24,24 232,232 40,40'" \
        "-fill '$green_light' -stroke none -draw 'roundrectangle 52,76 204,212 24,24'"
}

# Draws one size of one icon: the small sizes with heavier strokes.
render() {
    local name=$1 size=$2
    if ((size <= 16)); then k=20; elif ((size <= 24)); then k=15; else k=10; fi
    eval "convert -size 256x256 xc:none $(draw_"$name" | tr '\n' ' ') $tmp/master.png"
    convert "$tmp/master.png" -filter Lanczos -resize "${size}x${size}" "$tmp/$name-$size.png"
}

icons=(vantrel tool_open tool_new tool_load tool_close tool_save tool_saveas tool_clone
    tool_delete tool_icon tool_joy tool_run tool_help rec_off rec_on test_off test_on
    marker_none marker_record marker_chosen row row_held)
for name in "${icons[@]}"; do
    sizes=(16 20 24 32 40 48)
    [[ $name == vantrel ]] && sizes+=(64)
    pngs=()
    for size in "${sizes[@]}"; do
        render "$name" "$size"
        pngs+=("$tmp/$name-$size.png")
    done
    convert "${pngs[@]}" "$name.ico"
done
