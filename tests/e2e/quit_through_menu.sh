#!/usr/bin/env bash
# End-to-end check of start-up, the single-instance guard and quitting
# through the menu, driven under a virtual X server.
#
# Usage: quit_through_menu.sh /path/to/verdalis
#
# The executable is copied into a fresh scratch directory (its data directory),
# started there, and must:
#   - show a main window titled "...Verdalis... (1件)" after a first start,
#   - make a second copy started in the same directory show a message box
#     titled "Verdalis" and exit without touching any file,
#   - take a new memo written with the real mouse and keyboard: "登録",
#     typed location, variety and title, "画像追加", a double click on a
#     directory and a click on a picture in the picker (which proposes the
#     file name as its title), "登録", "中止", and "登録" in the editor,
#   - quit through the menu and leave flower.ini, flower.dat, basyo.dat,
#     hinsyu.dat, memo/m0000001.txt and the new memo's picture list as CP932,
#     CR LF text files.
#
# Exit status: 0 pass, 1 fail, 77 when xvfb-run or xdotool is missing.
set -uo pipefail

readonly SKIP_STATUS=77
readonly OVERALL_LIMIT=100        # seconds for the whole scenario (below ctest's 120)
readonly WINDOW_WAIT=20           # seconds to wait for the main window
readonly BOX_WAIT=15              # seconds to wait for the message box
readonly EXIT_WAIT=8              # seconds to wait for a process to end

self=$(readlink -f "${BASH_SOURCE[0]}")

log() { printf 'e2e: %s\n' "$*"; }

# ---------------------------------------------------------------------------
# Helpers used inside the X session
# ---------------------------------------------------------------------------

failures=0
pid1=""
pid2=""
datadir=""
fail() {
    printf 'FAIL: %s\n' "$*" >&2
    failures=$((failures + 1))
}

# True while the process exists and is not a zombie.
is_running() {
    local pid=$1 state
    [[ -r /proc/$pid/stat ]] || return 1
    state=$(sed 's/^.*) //' "/proc/$pid/stat" 2>/dev/null | cut -d' ' -f1)
    [[ -n "$state" && "$state" != Z && "$state" != X ]]
}

# wait_gone PID SECONDS: true when the process ended within the time.
wait_gone() {
    local pid=$1 limit=$2 i
    for ((i = 0; i < limit * 10; i++)); do
        is_running "$pid" || return 0
        sleep 0.1
    done
    ! is_running "$pid"
}

# stop_process PID: ends a process this script started, if still running.
# shellcheck disable=SC2317  # also called from a trap
stop_process() {
    local pid=$1
    [[ -n "$pid" ]] || return 0
    if is_running "$pid"; then
        kill "$pid" 2>/dev/null
        wait_gone "$pid" 3 || kill -9 "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
    return 0
}

# There is no window manager under xvfb-run: keys are delivered by giving the
# window the input focus (windowfocus) and then typing through XTEST (xdotool
# key without --window); events sent to a window with --window are not used.
xdo() { timeout 5 xdotool "$@"; }

# find_window PID REGEX: prints the id of a visible window of PID whose name
# matches REGEX (windows that carry no pid are accepted too).
find_window() {
    local pid=$1 regex=$2 id wpid
    for id in $(xdo search --onlyvisible --name "$regex" 2>/dev/null); do
        wpid=$(xdo getwindowpid "$id" 2>/dev/null) || wpid=""
        if [[ -z "$wpid" || "$wpid" == "$pid" ]]; then
            printf '%s\n' "$id"
            return 0
        fi
    done
    return 1
}

# wait_window PID REGEX SECONDS: prints the window id; fails early when the
# process ends first.
wait_window() {
    local pid=$1 regex=$2 limit=$3 i id
    for ((i = 0; i < limit * 5; i++)); do
        if id=$(find_window "$pid" "$regex"); then
            printf '%s\n' "$id"
            return 0
        fi
        is_running "$pid" || return 2
        sleep 0.2
    done
    return 1
}

list_windows() {
    local id
    echo "--- visible windows:" >&2
    for id in $(xdo search --onlyvisible --name '.*' 2>/dev/null); do
        printf '  %s pid=%s name=%s\n' "$id" \
            "$(xdo getwindowpid "$id" 2>/dev/null)" \
            "$(xdo getwindowname "$id" 2>/dev/null)" >&2
    done
}

show_log() {
    local file=$1
    if [[ -s "$file" ]]; then
        echo "--- $(basename "$file"):" >&2
        tail -n 40 "$file" >&2
    fi
}

# Checksums of every file in the data directory except the executable,
# including the list of names, so that new or removed files are noticed too.
data_checksums() {
    (cd "$1" && find . -type f ! -path ./verdalis -print0 | sort -z |
        xargs -0 -r sha256sum)
}

# check_crlf_file PATH LINES: the file exists, has exactly LINES lines, every
# line ends with CR LF, and the file ends with CR LF.
check_crlf_file() {
    local file=$1 want=$2 name lines crlf tail_bytes
    name=${file#"$datadir"/}
    if [[ ! -f "$file" ]]; then
        fail "$name was not written"
        return 1
    fi
    lines=$(wc -l <"$file")
    crlf=$(grep -c $'\r$' "$file")
    tail_bytes=$(tail -c 2 "$file" | od -An -tx1 | tr -d ' \n')
    local ok=0
    if [[ "$lines" -ne "$want" ]]; then
        fail "$name has $lines lines, expected $want"
        ok=1
    fi
    if [[ "$crlf" -ne "$lines" ]]; then
        fail "$name: only $crlf of $lines lines end with CR LF"
        ok=1
    fi
    if [[ "$tail_bytes" != 0d0a ]]; then
        fail "$name does not end with CR LF (last bytes: $tail_bytes)"
        ok=1
    fi
    return "$ok"
}

# click_at WINDOW X Y [REPEAT]: a real left click (or a double click) at a
# point of the window, in pixels from its top-left corner. Without a window
# manager a window has no frame, so its geometry is its client area.
click_at() {
    local win=$1 x=$2 y=$3 repeat=${4:-1} X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdo getwindowgeometry --shell "$win")"
    xdo mousemove --sync $((X + x)) $((Y + y)) >/dev/null 2>&1
    xdo click --repeat "$repeat" --delay 120 1
    sleep 0.4
}

# type_text TEXT: types ASCII text into the focused box of the window under
# the pointer.
type_text() {
    xdo type --delay 40 "$1"
    sleep 0.3
}

# A 2 × 2 pixel BMP file.
write_bmp() {
    printf 'BM\x46\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00\x02\x00\x00\x00\x02\x00\x00\x00\x01\x00\x18\x00\x00\x00\x00\x00\x10\x00\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\x00\x00\xff\x00\x00\x00\x00\xff\x00\x00\xff\x00\x00\x00' >"$1"
}

# new_memo_with_picture MAIN_WINDOW: writes a memo with one picture through
# the editor and the picker, all with mouse clicks and typed keys. Control
# positions are the designed ones (twips / 15) at the window's first-start
# size; the rows of the directory and file lists are those of the 9-point
# IPA Gothic font that setup-deps installs.
new_memo_with_picture() {
    local win=$1 X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdo getwindowgeometry --shell "$win")"
    # The client area lies below the menu bar and is 419 pixels high.
    local menu=$((HEIGHT - 419))
    log "clicking 登録 in the main window"
    click_at "$win" 582 $((menu + 402))
    local editor
    if ! editor=$(wait_window "$pid1" '^【Verdalis】Ver\.3\.0$' "$WINDOW_WAIT"); then
        fail "登録 opened no editor"
        list_windows
        return 1
    fi
    # The focus starts in the location box.
    type_text bed
    click_at "$editor" 400 11     # the variety box
    type_text rose
    click_at "$editor" 200 41     # the title box
    type_text e2e
    log "clicking 画像追加"
    click_at "$editor" 588 180
    local picker
    if ! picker=$(wait_window "$pid1" '^登録する画像ファイル' "$WINDOW_WAIT"); then
        fail "画像追加 opened no picture picker"
        list_windows
        return 1
    fi
    # The directory list shows "/", the folders down to the data directory,
    # then its sub-directories memo and photos; rows are 18 pixels from 25.
    local depth photos_row
    depth=$(tr -cd '/' <<<"$datadir" | wc -c)
    photos_row=$((depth + 2))
    log "double-clicking row $photos_row of the directory list (photos)"
    click_at "$picker" 60 $((25 + 18 * photos_row + 9)) 2
    log "clicking the picture, the first file of the list"
    click_at "$picker" 40 160
    local caption
    caption=$(xdo getwindowname "$picker")
    if [[ "$caption" != "画像ﾌｧｲﾙの日付："* ]]; then
        fail "a click on rose.bmp did not preview it (caption '$caption')"
        return 1
    fi
    click_at "$picker" 598 422    # 登録
    click_at "$picker" 550 422    # 中止
    if find_window "$pid1" '^登録する画像ファイル|^画像ﾌｧｲﾙの日付' >/dev/null; then
        fail "中止 did not close the picker"
        return 1
    fi
    log "clicking 登録 in the editor"
    click_at "$editor" 552 385
    sleep 0.5
    if find_window "$pid1" '^【Verdalis】Ver\.3\.0$' >/dev/null; then
        fail "the editor is still open after 登録"
        list_windows
        return 1
    fi
    return 0
}

# line_of FILE N: line N without its CR.
line_of() {
    sed -n "${2}p" "$1" | tr -d '\r'
}

# ---------------------------------------------------------------------------
# The scenario (runs inside xvfb-run)
# ---------------------------------------------------------------------------

scenario() {
    local scratch=$1
    datadir=$scratch/app
    local exe=$datadir/verdalis
    pid1="" pid2=""
    trap 'stop_process "$pid2"; stop_process "$pid1"' EXIT

    # The caller's UTF-8 locale is kept (the suite runs this scenario in C
    # and again as a Japanese desktop, ja_JP.UTF-8); anything else becomes
    # C.UTF-8, since the scenario types and reads Japanese text.
    case "${LC_ALL:-${LANG:-}}" in
        *.UTF-8 | *.utf8) export LC_ALL=${LC_ALL:-$LANG} ;;
        *) export LC_ALL=C.UTF-8 ;;
    esac
    export QT_QPA_PLATFORM=xcb
    # The virtual X server comes without a desktop session. Where D-Bus is
    # installed, libdbus would otherwise try to start a session bus for
    # Qt's accessibility bridge, and the memory that attempt leaves behind
    # fails the sanitizer build's leak check at exit.
    export DBUS_SESSION_BUS_ADDRESS=disabled:
    cd "$datadir" || { fail "cannot enter $datadir"; return 1; }

    # --- first start -------------------------------------------------------
    log "starting first copy in $datadir"
    "$exe" >"$scratch/first.log" 2>&1 &
    pid1=$!

    local win1 rc
    win1=$(wait_window "$pid1" 'Verdalis' "$WINDOW_WAIT")
    rc=$?
    if [[ $rc -ne 0 ]]; then
        if [[ $rc -eq 2 ]]; then
            fail "first copy exited before showing its window"
        else
            fail "no window named like 'Verdalis' within ${WINDOW_WAIT}s"
        fi
        list_windows
        show_log "$scratch/first.log"
        return 1
    fi
    local title
    title=$(xdo getwindowname "$win1")
    log "main window $win1: $title"
    if [[ "$title" != *"(1件)"* ]]; then
        fail "main window title '$title' does not contain '(1件)'"
    fi
    for f in flower.dat basyo.dat hinsyu.dat memo/m0000001.txt; do
        [[ -f "$datadir/$f" ]] || fail "first start did not write $f"
    done

    # --- second copy: refuses to start, touches nothing ---------------------
    local before after
    before=$(data_checksums "$datadir")
    log "starting second copy"
    "$exe" >"$scratch/second.log" 2>&1 &
    pid2=$!

    local box
    box=$(wait_window "$pid2" '^Verdalis$' "$BOX_WAIT")
    rc=$?
    if [[ $rc -eq 2 ]]; then
        fail "second copy exited without showing a message box"
    elif [[ $rc -ne 0 ]]; then
        fail "second copy showed no window named 'Verdalis' within ${BOX_WAIT}s"
        list_windows
    else
        log "message box $box of second copy; pressing Return"
        xdo windowfocus --sync "$box" >/dev/null 2>&1
        xdo key Return
        if ! wait_gone "$pid2" "$EXIT_WAIT"; then
            log "second copy still running; focusing its box again"
            xdo windowfocus --sync "$box" >/dev/null 2>&1
            xdo key Return
            if ! wait_gone "$pid2" "$EXIT_WAIT"; then
                fail "second copy did not exit after its message box was answered"
                list_windows
            fi
        fi
    fi
    if ! is_running "$pid2"; then
        wait "$pid2"
        log "second copy exited with status $?"
        pid2=""
    fi
    after=$(data_checksums "$datadir")
    if [[ "$before" != "$after" ]]; then
        fail "data files changed while the second copy ran"
        diff <(printf '%s\n' "$before") <(printf '%s\n' "$after") >&2
    fi
    if ! is_running "$pid1"; then
        fail "first copy ended while the second copy ran"
        show_log "$scratch/first.log"
        return 1
    fi

    # --- a new memo with a picture, by mouse and keyboard --------------------
    new_memo_with_picture "$win1"
    title=$(xdo getwindowname "$win1")
    [[ "$title" == *"(2件)"* ]] || fail "after saving, the main window title is '$title'"

    # --- quit the first copy through the menu --------------------------------
    local quit_keys=("alt+f q" "alt+q") how="" keys
    for keys in "${quit_keys[@]}"; do
        log "quitting with keys: $keys"
        xdo windowfocus --sync "$win1" >/dev/null 2>&1
        local k
        for k in $keys; do
            xdo key "$k"
            sleep 0.5
        done
        if wait_gone "$pid1" "$EXIT_WAIT"; then
            how=$keys
            break
        fi
        xdo key Escape   # close a menu left open before the next try
        sleep 0.3
    done
    if [[ -z "$how" ]]; then
        fail "first copy did not quit through the menu"
        list_windows
        show_log "$scratch/first.log"
        return 1
    fi
    wait "$pid1"
    rc=$?
    pid1=""
    log "first copy quit with '$how', status $rc"
    [[ $rc -eq 0 ]] || fail "first copy exited with status $rc after quitting"

    # --- files written on quitting -------------------------------------------
    local ini=$datadir/flower.ini
    if check_crlf_file "$ini" 7; then
        local n=0 line number_re='^[ -]([0-9]+(\.[0-9]*)?|\.[0-9]+) $'
        while IFS= read -r line; do
            n=$((n + 1))
            line=${line%$'\r'}
            [[ "$line" =~ $number_re ]] ||
                fail "flower.ini line $n '$line' is not a number between a sign/blank and a blank"
        done <"$ini"
    fi
    # The typed location and variety joined their lists.
    check_crlf_file "$datadir/basyo.dat" 7 && [[ "$(line_of "$datadir/basyo.dat" 7)" == bed ]] ||
        fail "basyo.dat does not end with the new location 'bed'"
    check_crlf_file "$datadir/hinsyu.dat" 16 && [[ "$(line_of "$datadir/hinsyu.dat" 16)" == rose ]] ||
        fail "hinsyu.dat does not end with the new variety 'rose'"
    if check_crlf_file "$datadir/flower.dat" 14; then
        # Same day, created later: the new memo comes first.
        local place number
        [[ "$(line_of "$datadir/flower.dat" 4)" == e2e ]] ||
            fail "flower.dat line 4 is '$(line_of "$datadir/flower.dat" 4)', expected the title 'e2e'"
        number=$(line_of "$datadir/flower.dat" 5)
        [[ "$number" == " 2 " ]] || fail "flower.dat line 5 is '$number', expected ' 2 '"
        place=$(line_of "$datadir/flower.dat" 9 | iconv -f CP932 -t UTF-8 2>/dev/null)
        [[ "$place" == "雑メモ" ]] ||
            fail "flower.dat line 9 is '$place' (as CP932), expected '雑メモ'"
        number=$(line_of "$datadir/flower.dat" 12)
        [[ "$number" == " 1 " ]] || fail "flower.dat line 12 is '$number', expected ' 1 '"
    fi
    check_crlf_file "$datadir/memo/m0000001.txt" 9
    # The picture list: its path, then the title the picker proposed.
    local want got
    want=$(printf '%s\r\n%s\r\n' "$datadir/photos/rose.bmp" rose.bmp | od -An -tx1)
    got=$(od -An -tx1 <"$datadir/memo/g0000002.txt" 2>/dev/null)
    [[ "$got" == "$want" ]] || fail "memo/g0000002.txt is not the path and the title 'rose.bmp' (bytes:$got)"

    [[ $failures -eq 0 ]]
}

# ---------------------------------------------------------------------------
# Entry
# ---------------------------------------------------------------------------

if [[ "${1:-}" == "--inside-x" ]]; then
    scenario "$2"
    exit $?
fi

if [[ $# -ne 1 ]]; then
    echo "usage: $(basename "$0") /path/to/verdalis" >&2
    exit 2
fi

for tool in xvfb-run xdotool; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed" >&2
        exit "$SKIP_STATUS"
    fi
done

exe=$(readlink -f "$1")
if [[ ! -f "$exe" || ! -x "$exe" ]]; then
    echo "FAIL: $1 is not an executable file" >&2
    exit 1
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/verdalis-e2e.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/app/photos"
cp "$exe" "$scratch/app/verdalis"
write_bmp "$scratch/app/photos/rose.bmp"

# -noreset: without it the server resets whenever its last client leaves,
# and a copy of the program that connects during the reset fails to start
# ("could not connect to display"), about one start in five.
timeout -k 10 "$OVERALL_LIMIT" \
    xvfb-run -a -s "-noreset -screen 0 1280x1024x24" bash "$self" --inside-x "$scratch"
status=$?

if [[ $status -eq 124 || $status -eq 137 ]]; then
    echo "FAIL: scenario did not finish within ${OVERALL_LIMIT}s" >&2
    exit 1
fi
if [[ $status -ne 0 ]]; then
    echo "e2e: FAILED" >&2
    exit 1
fi
echo "e2e: passed"
exit 0
