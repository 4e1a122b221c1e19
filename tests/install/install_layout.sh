#!/usr/bin/env bash
# Installs the built program into scratch folders with `cmake --install`
# and checks the layout a user gets:
#   - verdalis, hana.doc and the icon at the top of the prefix (no bin/);
#   - verdalis.desktop in $XDG_DATA_HOME/applications (or, without
#     XDG_DATA_HOME, in $HOME/.local/share/applications) whose Exec is the
#     installed executable and whose Path is its folder, where the usage
#     guide is looked up;
#   - the icon in the hicolor theme of the same data folder;
#   - the desktop entry passes desktop-file-validate;
#   - started from elsewhere, the installed program writes its data files
#     into the install folder (and nowhere else).
# The prefix holds a space, so the quoting of Exec is checked too.
#
# Usage: install_layout.sh BUILD_DIR SOURCE_DIR
# Exit status: 0 pass, 1 fail, 77 when desktop-file-validate is missing
# (every other check passed).
set -uo pipefail

build=$(readlink -f "$1")
icons=$(readlink -f "$2")/data/icons
scratch=$(mktemp -d "${TMPDIR:-/tmp}/verdalis-install.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    printf 'FAIL: %s\n' "$*" >&2
    failures=$((failures + 1))
}

# value KEY FILE: the value of KEY in the [Desktop Entry] group.
value() {
    sed -n "s/^$1=//p" "$2" | head -n 1
}

# check_install CASE PREFIX DATA_HOME [env assignments...]
check_install() {
    local name=$1 prefix=$2 data_home=$3
    shift 3
    if ! env "$@" cmake --install "$build" --prefix "$prefix" >"$scratch/$name.log" 2>&1; then
        fail "$name: cmake --install failed"
        cat "$scratch/$name.log" >&2
        return
    fi
    local f
    for f in verdalis hana.doc verdalis.png verdalis.svg; do
        [[ -f "$prefix/$f" ]] || fail "$name: $f is not at the top of the prefix"
    done
    [[ -x "$prefix/verdalis" ]] || fail "$name: verdalis is not executable"
    [[ ! -e "$prefix/bin" ]] || fail "$name: a bin/ folder was made"
    head -c 6 "$prefix/hana.doc" | grep -q '^{\\rtf1' || fail "$name: hana.doc is not RTF"

    local entry=$data_home/applications/verdalis.desktop
    if [[ ! -f "$entry" ]]; then
        fail "$name: no desktop entry at $entry"
        return
    fi
    local want_exec="\"$prefix/verdalis\""
    [[ "$prefix" == *" "* ]] || want_exec="$prefix/verdalis"
    [[ "$(value Exec "$entry")" == "$want_exec" ]] ||
        fail "$name: Exec is '$(value Exec "$entry")', expected '$want_exec'"
    [[ "$(value Path "$entry")" == "$prefix" ]] ||
        fail "$name: Path is '$(value Path "$entry")', expected '$prefix'"
    [[ "$(value Name "$entry")" == "Verdalis" ]] || fail "$name: Name is not Verdalis"
    [[ "$(value Icon "$entry")" == "verdalis" ]] || fail "$name: Icon is not verdalis"
    value Categories "$entry" | grep -q '\(^\|;\)Office;' || fail "$name: Categories lack Office"
    [[ "$(value Comment "$entry")" == *"園芸日誌"* ]] || fail "$name: Comment is not the Japanese one"
    local size
    for size in 32 48 64 128 256; do
        cmp -s "$data_home/icons/hicolor/${size}x${size}/apps/verdalis.png" "$icons/verdalis-$size.png" ||
            fail "$name: the ${size}x${size} icon of the theme is missing or not the $size pixel picture"
    done
    cmp -s "$data_home/icons/hicolor/scalable/apps/verdalis.svg" "$icons/verdalis.svg" ||
        fail "$name: the scalable icon is missing"
    if command -v desktop-file-validate >/dev/null 2>&1; then
        desktop-file-validate "$entry" || fail "$name: desktop-file-validate rejects the entry"
    fi
}

# first_start PREFIX: starts the installed program (offscreen) from another
# directory and waits for its first-start files beside the executable.
first_start() {
    local prefix=$1 pid i
    mkdir -p "$scratch/elsewhere"
    (cd "$scratch/elsewhere" && exec env QT_QPA_PLATFORM=offscreen "$prefix/verdalis") \
        >"$scratch/first-start.log" 2>&1 &
    pid=$!
    for ((i = 0; i < 100; i++)); do
        [[ -f "$prefix/hinsyu.dat" ]] && break
        sleep 0.2
    done
    sleep 0.5
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    local f
    for f in flower.ini flower.dat basyo.dat hinsyu.dat memo/m0000001.txt; do
        [[ -f "$prefix/$f" ]] || fail "first start: $f was not written beside the executable"
    done
    [[ -z "$(ls -A "$scratch/elsewhere")" ]] || fail "first start wrote into the current directory"
}

home=$scratch/home
mkdir -p "$home"
check_install xdg "$scratch/My Apps/Verdalis" "$scratch/xdg-data" \
    HOME="$home" XDG_DATA_HOME="$scratch/xdg-data"
check_install home "$home/Verdalis" "$home/.local/share" \
    -u XDG_DATA_HOME HOME="$home"
first_start "$home/Verdalis"

if [[ $failures -ne 0 ]]; then
    echo "install: FAILED" >&2
    exit 1
fi
if ! command -v desktop-file-validate >/dev/null 2>&1; then
    echo "SKIP: desktop-file-validate is not installed; every other check passed" >&2
    exit 77
fi
echo "install: passed"
