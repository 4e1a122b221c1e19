#!/usr/bin/env bash
# Regenerates the README's screenshots in docs/images/ from the real
# program: builds Verdalis, prepares a scratch data folder with a few memos
# and a picture, runs the program under a virtual X server with a Japanese
# font, opens the editor and the search with xdotool and captures the
# windows with ImageMagick's import.
#
# Usage: scripts/screenshots.sh
# Needs, besides what setup-deps.sh installs: imagemagick (installed here
# when missing).
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
self=$(readlink -f "${BASH_SOURCE[0]}")
out_dir=$repo_root/docs/images
# A fixed folder, so the picture path shown in the screenshots is stable.
scratch=${TMPDIR:-/tmp}/verdalis-screenshots

# --------------------------------------------------------------------------
# Data files: CP932 with CR LF, as the program writes them.
# --------------------------------------------------------------------------

# cp932 FILE LINE...: writes the lines, each ended by CR LF, in CP932.
cp932() {
    local file=$1
    shift
    printf '%s\r\n' "$@" | iconv -f UTF-8 -t CP932 >"$file"
}

# memo NO DATE LOCATION VARIETY TITLE: one 7-line record of flower.dat.
memo_lines=()
memo() {
    local stamp="$2 08:30:00"
    memo_lines+=("$2" "$3" "$4" "$5" " $1 " "$stamp" "$stamp")
}

# body NO LINE...: the memo's body file.
body() {
    local no=$1
    shift
    cp932 "$app/memo/m$(printf '%07d' "$no").txt" "$@"
}

# pictures NO PATH TITLE [PATH TITLE...]: the memo's picture list file.
pictures() {
    local no=$1
    shift
    cp932 "$app/memo/g$(printf '%07d' "$no").txt" "$@"
}

# draw_flower_bed FILE: a flower bed of pansies in spring, drawn from
# shapes (no photo is shipped with the repository).
draw_flower_bed() {
    local file=$1 draw="" i x y r colour
    local colours=("#6a3d9a" "#f4d03f" "#ffffff" "#8e44ad" "#f39c12" "#5b2c6f")
    RANDOM=7
    for ((i = 0; i < 90; i++)); do
        x=$((RANDOM % 820 - 10)); y=$((300 + RANDOM % 320)); r=$((14 + RANDOM % 10))
        draw+=" fill '#2e7d32' ellipse $x,$y $((r + 8)),$((r / 2 + 4)) 0,360"
    done
    for ((i = 0; i < 70; i++)); do
        x=$((RANDOM % 800)); y=$((290 + RANDOM % 300)); r=$((12 + RANDOM % 9))
        colour=${colours[$((RANDOM % ${#colours[@]}))]}
        draw+=" fill '$colour' circle $x,$y $((x + r)),$y"
        draw+=" fill '#3b1f4a' circle $x,$((y + 2)) $((x + r / 3)),$((y + 2))"
        draw+=" fill '#f9e79f' circle $x,$y $((x + 3)),$y"
    done
    convert -size 800x600 gradient:'#cfe9ff'-'#f4fbff' \
        -fill '#7b5b3a' -draw "rectangle 0,260 800,600" \
        -fill '#a5d6a7' -draw "rectangle 0,240 800,262" \
        -draw "$draw" -quality 88 "$file"
}

prepare_data() {
    rm -rf "$scratch"
    app=$scratch/Verdalis
    local photos=$scratch/写真
    mkdir -p "$app/memo" "$photos"
    cp "$repo_root/build/bin/verdalis" "$repo_root/build/bin/hana.doc" "$app/"
    draw_flower_bed "$photos/2026-05-18_花壇.jpg"
    convert "$photos/2026-05-18_花壇.jpg" -crop 400x300+200+260 -resize 800x600 -quality 88 \
        "$photos/2026-05-18_パンジー.jpg"

    memo 7 2026/05/18 花壇 パンジー "花壇のパンジーが満開"
    memo 6 2026/05/12 温室 トマト "トマトの脇芽かき"
    memo 5 2026/05/03 芝生 全体 "芝刈りと目土"
    memo 4 2026/04/26 アプローチ チューリップ "チューリップの花がら摘み"
    memo 3 2026/04/12 裏庭 土・肥料 "腐葉土の切り返し"
    memo 2 2026/04/01 知識・コツ 用具 "剪定ばさみの手入れ"
    memo 1 2026/03/20 花壇 パンジー "パンジーの苗を植え付け"
    cp932 "$app/flower.dat" "${memo_lines[@]}"
    cp932 "$app/basyo.dat" 花壇 アプローチ 芝生 温室 裏庭 知識・コツ
    cp932 "$app/hinsyu.dat" 全体 パンジー チューリップ ベゴニア ペチュニア 日日草 サルビア 朝顔 \
        ひまわり 鳳仙花 葉ボタン トマト 土・肥料 用具 買い物
    # Highest number, normal state, top, left, height, width, list height (twips).
    cp932 "$app/flower.ini" " 7 " " 0 " " 300 " " 300 " " 11400 " " 15900 " " 3600 "

    body 7 "南側の花壇のパンジーが満開になった。" \
        "紫と黄色の株が特に元気。咲き終わった花はこまめに摘むこと。" \
        "" "液肥を1000倍に薄めて週1回。"
    pictures 7 "$photos/2026-05-18_花壇.jpg" "南側の花壇（全景）" \
        "$photos/2026-05-18_パンジー.jpg" "パンジーの寄せ植え"
    body 6 "大玉トマトの脇芽を全部かき取った。" "一段目の花房に実がつき始めた。支柱を一本追加。"
    body 5 "今年初めての芝刈り。刈り高は3cm。" "へこんだところに目土を入れて、たっぷり水やり。"
    body 4 "チューリップの花がらを摘んだ。葉は黄色くなるまで残す。"
    body 3 "落ち葉と米ぬかを混ぜた腐葉土を切り返した。湯気が出ていて順調。"
    body 2 "剪定ばさみのヤニを落として、砥石で研いだ。" "刃に油を薄く塗って保管。"
    body 1 "ホームセンターでパンジーの苗を24株。" "株間20cmで植え付け、元肥に緩効性肥料。"
}

# --------------------------------------------------------------------------
# Driving the program (inside the virtual X server). There is no window
# manager: a window gets the keys after windowfocus, and the screenshots of
# stacked windows are cut from the whole screen.
# --------------------------------------------------------------------------

xdo() { timeout 10 xdotool "$@"; }

# wait_window REGEX: prints the id of the first visible window named so.
wait_window() {
    local i id
    for ((i = 0; i < 100; i++)); do
        id=$(xdo search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
        if [[ -n "$id" ]]; then
            printf '%s\n' "$id"
            return 0
        fi
        sleep 0.2
    done
    echo "screenshots: no window named '$1'" >&2
    return 1
}

# shoot_window ID NAME: the window alone.
shoot_window() {
    import -window "$1" "$out_dir/$2.png"
}

# shoot_area ID NAME [DIALOG]: the screen within the window's rectangle,
# with whatever dialog stands over it; a thin frame is drawn round DIALOG,
# as there is no window manager to draw one.
shoot_area() {
    local x y w h frame=()
    eval "$(xdo getwindowgeometry --shell "$1")"
    x=$X y=$Y w=$WIDTH h=$HEIGHT
    if [[ -n "${3:-}" ]]; then
        eval "$(xdo getwindowgeometry --shell "$3")"
        frame=(-fill none -stroke '#4a6a4a' -strokewidth 2
               -draw "rectangle $((X - x - 1)),$((Y - y - 1)) $((X - x + WIDTH)),$((Y - y + HEIGHT))")
    fi
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out_dir/$2.png"
    [[ ${#frame[@]} -eq 0 ]] || mogrify "${frame[@]}" "$out_dir/$2.png"
}

# A click at a point of a window (coordinates relative to the window).
click_at() {
    xdo mousemove --window "$1" "$2" "$3"
    sleep 0.2
    xdo click --repeat "${4:-1}" --delay 120 1
    sleep 0.8
}

inside_x() {
    export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
    app=$scratch/Verdalis
    cd "$app"
    ./verdalis >"$scratch/verdalis.log" 2>&1 &
    app_pid=$!
    trap 'kill "$app_pid" 2>/dev/null || true' EXIT
    local main editor search
    main=$(wait_window '\(7件\)')
    sleep 1

    # The main window with the first memo and its first picture.
    click_at "$main" 300 79
    shoot_window "$main" main-window

    # The editor, opened by a double click on the memo.
    click_at "$main" 300 79 2
    editor=$(wait_window '^【Verdalis】Ver\.3\.0$')
    sleep 1
    shoot_area "$main" editor
    xdo windowfocus --sync "$editor"
    xdo key Escape
    sleep 1

    # The full-text search for a word in titles and bodies.
    xdo windowfocus --sync "$main"
    xdo key alt+z
    search=$(wait_window '全文検索')
    sleep 0.5
    xdo windowfocus --sync "$search"
    xdo type --delay 80 "パンジー"
    xdo key Tab space
    sleep 2
    shoot_area "$main" search "$search"
    xdo key Escape
}

if [[ "${1:-}" == "--inside-x" ]]; then
    scratch=$2 out_dir=$3
    inside_x
    exit 0
fi

# --------------------------------------------------------------------------
# Entry
# --------------------------------------------------------------------------

cd "$repo_root"
bash scripts/setup-deps.sh
if ! command -v import >/dev/null 2>&1; then
    as_root=()
    [[ $(id -u) -eq 0 ]] || as_root=(sudo)
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends imagemagick
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2

prepare_data
mkdir -p "$out_dir"
xvfb-run -a -s "-noreset -screen 0 1100x800x24" bash "$self" --inside-x "$scratch" "$out_dir"
for png in "$out_dir"/main-window.png "$out_dir"/editor.png "$out_dir"/search.png; do
    # Smaller files: a palette of 256 colours is plenty for a window.
    convert "$png" -strip -colors 256 PNG8:"$png"
    echo "screenshots: $png ($(stat -c %s "$png") bytes)"
done
rm -rf "$scratch"
