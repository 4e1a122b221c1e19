#!/usr/bin/env bash
# Checks Japanese typing through a real input method: runs fcitx5 with
# Anthy and Verdalis (with Qt's fcitx5 front end) under a virtual X server
# and a private D-Bus session, types "niwa", converts and commits it into
# the location, variety and title boxes and the body of a new memo, saves
# the memo, quits, and checks that flower.dat holds the converted text.
# Screenshots of the editor are left in the scratch folder for a look.
#
# Usage: scripts/check-input-method.sh
# Installs fcitx5, fcitx5-anthy, fcitx5-frontend-qt6 and dbus when missing
# (not needed by the test suite).
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
self=$(readlink -f "${BASH_SOURCE[0]}")

inside() {
    local scratch=$1 app=$1/Verdalis editor main
    export HOME=$scratch/home LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb QT_IM_MODULE=fcitx XMODIFIERS=@im=fcitx
    fcitx5 >"$scratch/fcitx5.log" 2>&1 &
    fcitx_pid=$!
    sleep 3
    cd "$app"
    ./verdalis >"$scratch/verdalis.log" 2>&1 &
    pid=$!
    trap 'kill "$pid" "$fcitx_pid" 2>/dev/null || true' EXIT
    sleep 3
    main=$(xdotool search --onlyvisible --name '件\)' | head -n 1)
    xdotool windowfocus --sync "$main"
    xdotool key alt+z Escape    # menus work; nothing else to do there
    # "登録" in the main window: its bottom right corner.
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove --window "$main" $((WIDTH - 40)) $((HEIGHT - 16)) click 1
    sleep 2
    editor=$(xdotool search --onlyvisible --name '^【Verdalis】Ver\.3\.0$' | head -n 1)
    xdotool windowfocus --sync "$editor"
    eval "$(xdotool getwindowgeometry --shell "$editor")"
    # Location, variety, title, body (points inside each box).
    for point in "$((WIDTH * 3 / 10)) 11" "$((WIDTH * 8 / 10)) 11" "$((WIDTH * 35 / 100)) 40" \
                 "$((WIDTH * 3 / 10)) $((HEIGHT / 2))"; do
        # shellcheck disable=SC2086
        xdotool mousemove --window "$editor" $point click 1
        sleep 0.5
        fcitx5-remote -o
        sleep 0.3
        xdotool type --delay 150 niwa
        sleep 0.5
        xdotool key space
        sleep 0.7
        import -window root "$scratch/converting-$(echo "$point" | tr ' ' x).png"
        xdotool key Return
        sleep 0.7
        fcitx5-remote -c
    done
    import -window root "$scratch/editor.png"
    # "登録" of the editor: right half of its bottom button row.
    xdotool mousemove --window "$editor" $((WIDTH * 7 / 8)) $((HEIGHT - 14)) click 1
    sleep 2
    xdotool windowfocus --sync "$main"
    xdotool key alt+q
    sleep 2
}

if [[ "${1:-}" == "--inside" ]]; then
    inside "$2"
    exit 0
fi

cd "$repo_root"
bash scripts/setup-deps.sh
need=()
for pkg in fcitx5 fcitx5-anthy fcitx5-frontend-qt6 dbus imagemagick; do
    [[ "$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)" == "install ok installed" ]] || need+=("$pkg")
done
if [[ ${#need[@]} -gt 0 ]]; then
    as_root=()
    [[ $(id -u) -eq 0 ]] || as_root=(sudo)
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}"
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2

scratch=$(mktemp -d "${TMPDIR:-/tmp}/verdalis-im.XXXXXX")
mkdir -p "$scratch/Verdalis" "$scratch/home/.config/fcitx5"
cp build/bin/verdalis "$scratch/Verdalis/"
cat >"$scratch/home/.config/fcitx5/profile" <<'PROFILE'
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=anthy

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=anthy
Layout=

[GroupOrder]
0=Default
PROFILE

timeout 120 xvfb-run -a -s "-noreset -screen 0 1100x800x24" dbus-run-session bash "$self" --inside "$scratch" || true

dat=$scratch/Verdalis/flower.dat
fields=$(head -n 4 "$dat" | tr -d '\r' | iconv -f CP932 -t UTF-8 | tail -n 3 | paste -sd '|')
echo "check-input-method: location|variety|title of the new memo: $fields"
echo "check-input-method: screenshots in $scratch"
body=$(find "$scratch/Verdalis/memo" -name 'm*.txt' | sort | tail -n 1)
[[ -n "$body" ]] && echo "check-input-method: body: $(tr -d '\r' <"$body" | iconv -f CP932 -t UTF-8)"
if [[ "$fields" =~ ^[^a-z|]+\|[^a-z|]+\|[^a-z|]+$ ]] && [[ "$fields" != *niwa* ]]; then
    echo "check-input-method: passed (converted Japanese text arrived in every box)"
else
    echo "check-input-method: FAILED" >&2
    exit 1
fi
