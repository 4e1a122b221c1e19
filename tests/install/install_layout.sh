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
#     into the install folder (and nowhere else);
#   - installed with --strip (as scripts/install.sh does), the program has
#     no symbols left and is far smaller than the built one;
#   - installed into a folder that already holds a diary, as on a second
#     machine whose sync tool brought the folder over, every data file stays
#     byte for byte as it was and nothing but the program's own files is
#     added.
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

# The diary a sync tool brings to a second machine: the data files, a
# memo's body and picture list, our own settings, the deleted-memo list, a
# conflict copy and Syncthing's marker folder. CP932 bytes with CR LF.
synced_files=(flower.dat flower.ini basyo.dat hinsyu.dat verdalis.ini verdalis-deleted.txt
    memo/m0000007.txt memo/g0000007.txt "memo/m0000007.sync-conflict-20260601-101010-ABCDEFG.txt"
    .stfolder/syncthing-folder-1a2b3c.txt)

# plant_diary PREFIX: writes the synced diary into PREFIX.
plant_diary() {
    local prefix=$1 f
    mkdir -p "$prefix/memo" "$prefix/.stfolder"
    for f in "${synced_files[@]}"; do
        printf '2026/06/01\r\n\x89\xd4\x92\x64 %s\r\n\x83\x70\x83\x93\x83\x57\x81\x5b\r\n' "$f" >"$prefix/$f"
        cp -p "$prefix/$f" "$scratch/planted-$(basename "$f")"
    done
    touch -d '2026-06-01 10:10:10' "$prefix"/*.* "$prefix"/memo/* "$prefix"/.stfolder/*
}

# check_diary_kept CASE PREFIX: the planted files are unchanged and only
# the program's own files were added.
check_diary_kept() {
    local name=$1 prefix=$2 f
    for f in "${synced_files[@]}"; do
        cmp -s "$prefix/$f" "$scratch/planted-$(basename "$f")" || fail "$name: $f was changed by the install"
    done
    local want got
    want=$(printf '%s\n' "${synced_files[@]}" verdalis hana.doc verdalis.png verdalis.svg | sort)
    got=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
    [[ "$got" == "$want" ]] || fail "$name: the folder holds other files than the diary and the program:
$(diff <(echo "$want") <(echo "$got"))"
}

# check_stripped CASE PREFIX: no symbol table and no debug information.
check_stripped() {
    local name=$1 exe=$2/verdalis
    if readelf --sections --wide "$exe" | grep -q -e '\.symtab' -e '\.debug_'; then
        fail "$name: the installed program still has symbols or debug information"
    fi
    if command -v file >/dev/null 2>&1; then
        file -b "$exe" | grep -q ', stripped' || fail "$name: file does not call it stripped: $(file -b "$exe")"
    fi
    local built installed
    built=$(stat -c %s "$build/bin/verdalis")
    installed=$(stat -c %s "$exe")
    ((installed < built)) || fail "$name: stripping did not make the program smaller ($installed >= $built)"
}

# check_install CASE PREFIX DATA_HOME [--strip] [env assignments...]
check_install() {
    local name=$1 prefix=$2 data_home=$3 strip=()
    shift 3
    if [[ "${1-}" == --strip ]]; then
        strip=(--strip)
        shift
    fi
    if ! env "$@" cmake --install "$build" --prefix "$prefix" "${strip[@]}" >"$scratch/$name.log" 2>&1; then
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
# A second machine: the synced folder is there before the program.
plant_diary "$scratch/synced/Verdalis"
check_install synced "$scratch/synced/Verdalis" "$scratch/synced-data" --strip \
    HOME="$home" XDG_DATA_HOME="$scratch/synced-data"
check_diary_kept synced "$scratch/synced/Verdalis"
check_stripped synced "$scratch/synced/Verdalis"

if [[ $failures -ne 0 ]]; then
    echo "install: FAILED" >&2
    exit 1
fi
if ! command -v desktop-file-validate >/dev/null 2>&1; then
    echo "SKIP: desktop-file-validate is not installed; every other check passed" >&2
    exit 77
fi
echo "install: passed"
