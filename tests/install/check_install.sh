#!/usr/bin/env bash
# What a desktop finds after installing Orvanel, checked without root.
#   check_install.sh install CMAKE BUILD SOURCE          cmake --install into a temporary prefix
#   check_install.sh package CPACK BUILD SOURCE VERSION  cpack -G DEB, then its control fields and files
set -euo pipefail
mode=$1 tool=$2 build=$3 source=$4

fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Exactly these: a stray test or benchmark program in the package is a fault too.
expected_files() {
    printf '%s\n' \
        bin/orvanel \
        share/applications/orvanel.desktop \
        share/icons/hicolor/256x256/apps/orvanel.png \
        share/icons/hicolor/scalable/apps/orvanel.svg \
        share/orvanel/OrvanelGr.hlp \
        share/orvanel/OrvanelUk.hlp
}

check_installed_tree() {
    local prefix=$1 actual
    actual=$(cd "$prefix" && find . -type f -printf '%P\n' | sort)
    [ "$actual" = "$(expected_files)" ] ||
        fail "installed files differ:$(diff <(expected_files) <(echo "$actual") | sed 's/^/  /')"
    [ -x "$prefix/bin/orvanel" ] || fail "bin/orvanel is not executable"

    local h
    for h in OrvanelUk.hlp OrvanelGr.hlp; do
        cmp -s "$source/help/$h" "$prefix/share/orvanel/$h" || fail "share/orvanel/$h is not the source tree's"
    done

    # Width and height are the PNG header's bytes 16-23, big-endian.
    local size
    size=$(od -An -tu1 -j16 -N8 "$prefix/share/icons/hicolor/256x256/apps/orvanel.png" | tr -s ' ')
    [ "$size" = " 0 0 1 0 0 0 1 0" ] || fail "the PNG icon is not 256x256 (header bytes:$size)"
    grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/orvanel.svg" || fail "the scalable icon is no SVG"

    local entry=$prefix/share/applications/orvanel.desktop key
    for key in 'Type=Application' 'Exec=orvanel' 'Icon=orvanel' 'Terminal=false' \
               'Categories=Utility;FileTools;' 'Name=' 'Name\[el\]=' 'Comment=' 'Comment\[el\]=' \
               'GenericName=' 'GenericName\[el\]='; do
        grep -q "^$key" "$entry" || fail "orvanel.desktop has no line $key"
    done
    if command -v desktop-file-validate >/dev/null; then
        local complaints
        complaints=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $complaints"
        [ -z "$complaints" ] || fail "desktop-file-validate warns: $complaints"
    else
        echo "desktop-file-validate is not installed (package desktop-file-utils): entry not validated"
    fi
}

case $mode in
install)
    prefix=$work/prefix
    "$tool" --install "$build" --prefix "$prefix" >/dev/null
    check_installed_tree "$prefix"
    # The installed program runs from there, settings kept out of the user's home.
    out=$(ORVANEL_HOME=$work/home "$prefix/bin/orvanel" --batch --help) || fail "installed orvanel --batch --help failed"
    grep -q -- '--batch --left DIR --right DIR' <<<"$out" || fail "unexpected help text: $out"
    ;;
package)
    version=$5
    "$tool" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
        fail "cpack: $(cat "$work/cpack.log")"
    deb=$work/out/orvanel_${version}_$(dpkg --print-architecture).deb
    [ -f "$deb" ] || fail "no $deb; made: $(ls "$work/out")"
    field() { dpkg-deb -f "$deb" "$1"; }
    [ "$(field Package)" = orvanel ] || fail "Package: $(field Package)"
    [ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
    [ "$(field Section)" = utils ] || fail "Section: $(field Section)"
    [ -n "$(field Maintainer)" ] || fail "no Maintainer"
    [[ "$(field Description)" == "synchronize the contents of two folders"$'\n'* ]] ||
        fail "Description: $(field Description)"
    depends=", $(field Depends),"
    for dep in libqt6widgets6 libqt6gui6 libqt6core6 libc6 libstdc++6 qt6-qpa-plugins fonts-dejavu-core; do
        [[ "$depends" == *", $dep "* || "$depends" == *", $dep,"* ]] || fail "Depends lacks $dep:$depends"
    done
    dpkg-deb -x "$deb" "$work/root"
    check_installed_tree "$work/root/usr"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
echo "ok: $mode"
