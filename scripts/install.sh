#!/usr/bin/env bash
# Installs what is missing, builds Verdalis and installs it into one folder
# of your own (default ~/Verdalis): the program (stripped of its symbols
# and debug information, a few megabytes instead of tens), its usage guide
# hana.doc and its icon. Verdalis keeps its data files in that same folder;
# they are created on the first start. A folder that already holds a diary
# (a second machine whose sync tool brought the folder over) keeps every
# data file as it is: only the program's own files are replaced. A desktop
# entry and the icon are added to ${XDG_DATA_HOME:-~/.local/share}, so
# Verdalis appears in the application menu. Run it as yourself, not with
# sudo (it calls sudo itself for apt-get).
#
# Usage: scripts/install.sh [FOLDER]
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=$(realpath -m -- "${1:-$HOME/Verdalis}")
cd "$repo_root"

bash scripts/setup-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
cmake --install build --prefix "$prefix" --strip

echo
echo "Verdalis をインストールしました: $prefix/verdalis"
echo "アプリケーションメニューの「Verdalis」から、または次のコマンドで起動できます:"
echo "  cd \"$prefix\" && ./verdalis"
