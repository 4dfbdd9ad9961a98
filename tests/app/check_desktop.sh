#!/bin/sh
# Checks the desktop data: check_desktop.sh CHECK SOURCE_DIR BUILD_DIR APP_ID CLI
# CHECK is desktop-entry, metainfo, mime or install. Exits 77 (skipped) when the tool a
# check needs is not installed.
set -eu
check=$1 source=$2 build=$3 id=$4 cli=$5
data=$source/data
need() { command -v "$1" >/dev/null 2>&1 || { echo "$1 is not installed"; exit 77; }; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

case $check in
desktop-entry)
    need desktop-file-validate
    out=$(desktop-file-validate "$data/$id.desktop" 2>&1) || fail "$out"
    [ -z "$out" ] || fail "$out"
    grep -qx 'Exec=pattaplex %f' "$data/$id.desktop" || fail "Exec is not 'pattaplex %f'"
    ;;
metainfo)
    need appstreamcli
    out=$(appstreamcli validate --no-net --pedantic --no-color "$data/$id.metainfo.xml" 2>&1) ||
        fail "$out"
    # Pedantic hints do not fail the validator; they fail this check.
    if echo "$out" | grep -q '^[EWIP]: '; then fail "$out"; fi
    ;;
mime)
    need update-mime-database
    mkdir -p "$scratch/mime/packages"
    cp "$data/$id.xml" "$scratch/mime/packages/"
    out=$(XDG_DATA_HOME="$scratch" update-mime-database "$scratch/mime" 2>&1) || fail "$out"
    [ -z "$out" ] || fail "$out"
    grep -q '^application/x-pattaplex-groove$' "$scratch/mime/types" || fail "no groove type"
    # Detection by content as well as by name, where GIO is there to ask.
    command -v gio >/dev/null 2>&1 || exit 0
    "$cli" preset Funk "$scratch/funk.grv" >/dev/null || fail "could not write a preset"
    cp "$scratch/funk.grv" "$scratch/funk-unnamed"
    # [666, 1] as a binary property list
    printf 'bplist00\242\001\002\021\002\232\020\001\010\013\016\000\000\000\000\000\000\001\001\000\000\000\000\000\000\000\003\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\020' \
        >"$scratch/binary-unnamed"
    printf '<?xml version="1.0"?>\n<plist version="1.0">\n<array>\n\t<integer>1</integer>\n</array>\n</plist>\n' \
        >"$scratch/other-unnamed"
    echo "anything" >"$scratch/kit.set"
    for pair in funk.grv:groove funk-unnamed:groove binary-unnamed:groove kit.set:drum-set \
                other-unnamed:other; do
        file=${pair%%:*} want=${pair#*:}
        got=$(XDG_DATA_HOME="$scratch" XDG_DATA_DIRS="$scratch:/usr/share" \
              gio info -a standard::content-type "$scratch/$file" | sed -n 's/.*content-type: //p')
        case $want in
        other) [ "${got#application/x-pattaplex}" = "$got" ] || fail "$file taken for $got" ;;
        *) [ "$got" = "application/x-pattaplex-$want" ] || fail "$file is $got, not $want" ;;
        esac
    done
    ;;
install)
    DESTDIR="$scratch" cmake --install "$build" --prefix /usr >/dev/null || fail "install failed"
    for f in bin/pattaplex bin/pattaplex-cli \
             share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
             share/mime/packages/$id.xml share/icons/hicolor/scalable/apps/$id.svg \
             share/icons/hicolor/48x48/apps/$id.png share/icons/hicolor/128x128/apps/$id.png \
             share/man/man1/pattaplex.1.gz share/man/man1/pattaplex-cli.1.gz \
             share/doc/pattaplex/copyright; do
        [ -s "$scratch/usr/$f" ] || fail "$f is not installed"
    done
    ;;
*) fail "unknown check $check" ;;
esac
