#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test Verdalis.
# Only packages that are not installed yet are fetched. Uses sudo when the
# current user is not root.
set -euo pipefail

packages=(
    # build
    build-essential
    cmake
    qt6-base-dev
    libgl-dev
    # Qt's own texts (buttons, context menus, file dialogs) in Japanese
    qt6-translations-l10n
    # file types named in Japanese in the file dialogs
    shared-mime-info
    # backups: ZIP archives
    libarchive-dev
    # shooting times of photos (EXIF)
    libexiv2-dev
    # iPhone photos (HEIC/HEIF) come in as JPEG copies
    libheif-dev
    pkg-config
    # WebP and TIFF photos come in as JPEG copies (Qt's image plug-ins)
    qt6-image-formats-plugins
    # tests and benchmark: HEIC photos made with heif-enc, the speed compared
    # with heif-convert
    libheif-examples
    # benchmark: the search's anchors (grep is always there)
    ripgrep
    # benchmark: the backup's and the restore's anchors
    zip
    unzip
    # tests: the search's folding checked against ICU
    libicu-dev
    # end-to-end test and screenshots
    xvfb
    xauth
    xdotool
    fonts-ipafont-gothic
    fonts-dejavu-core
    # tests: the printed PDF read back (pdftotext, pdffonts)
    poppler-utils
    # install test: checks the desktop entry
    desktop-file-utils
    # the users' locale (ja_JP.UTF-8), in which the window tests run again
    locales
    # sync test: two Syncthing daemons on 127.0.0.1 share one diary
    syncthing
    # crash-state test: the writers' system calls traced; the negative
    # control runs them with their syncs removed
    strace
    eatmydata
    # injected faults: failing fdatasync, fsync, write and rename (libfiu)
    fiu-utils
)

missing=()
for pkg in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    if [[ "$status" != "install ok installed" ]]; then
        missing+=("$pkg")
    fi
done

as_root=()
if [[ $(id -u) -ne 0 ]]; then
    as_root=(sudo)
fi

need_root() {
    if [[ ${#as_root[@]} -gt 0 ]] && ! command -v sudo >/dev/null 2>&1; then
        echo "setup-deps: not root and sudo is not available; run as root: $*" >&2
        exit 1
    fi
}

if [[ ${#missing[@]} -eq 0 ]]; then
    echo "setup-deps: all required packages are installed"
else
    echo "setup-deps: installing ${missing[*]}"
    need_root "apt-get install ${missing[*]}"
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The people who use Verdalis run a Japanese desktop; the test suite runs
# its window tests a second time in that locale, which Debian generates
# only when asked.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
    echo "setup-deps: generating the locale ja_JP.UTF-8"
    need_root "locale-gen ja_JP.UTF-8"
    "${as_root[@]}" sed -i 's/^# *\(ja_JP\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    if ! grep -q '^ja_JP\.UTF-8 UTF-8' /etc/locale.gen; then
        echo 'ja_JP.UTF-8 UTF-8' | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
    fi
    "${as_root[@]}" locale-gen
fi
