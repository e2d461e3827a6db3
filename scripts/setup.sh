#!/usr/bin/env bash
# Installs what the build and the tests need, only when it is missing, and unpacks
# the bzip2 sources for the Windows build. Safe to run again: a complete machine
# takes a second or two.
set -euo pipefail

deps_dir="${VANTREL_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/vantrel-deps}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages=(g++-mingw-w64-i686-posix mingw-w64-tools wine wine32:i386 xvfb xauth imagemagick
          libboost-dev libbz2-dev googletest cmake ninja-build clang dpkg-dev osslsigncode openssl)
missing=()
for p in "${packages[@]}"; do have_pkg "$p" || missing+=("$p"); done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo_cmd[@]}" dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    if ! "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
        # The security suite's i386 index can lag the amd64 one; ranking it below the
        # main suite for this one command lets apt resolve wine32.
        pin_dir=$(mktemp -d)
        printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' > "$pin_dir/security.pref"
        "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
            -o Dir::Etc::PreferencesParts="$pin_dir" "${missing[@]}"
        rm -rf "$pin_dir"
    fi
fi

# Debian's bzip2 sources, fetched through a private sources list and state folder so that
# the machine's apt configuration stays as it is.
bzip2_src="$deps_dir/bzip2"
if [ ! -f "$bzip2_src/bzlib.h" ]; then
    echo "setup: fetching the bzip2 sources"
    work=$(mktemp -d)
    mkdir -p "$work/lists/partial" "$work/archives/partial" "$deps_dir"
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "deb-src http://deb.debian.org/debian $suite main" > "$work/sources.list"
    apt_opts=(-o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts=-
              -o Dir::State::Lists="$work/lists" -o Dir::Cache::Archives="$work/archives"
              -o APT::Sandbox::User=root)
    apt-get "${apt_opts[@]}" update -qq
    (cd "$work" && apt-get "${apt_opts[@]}" source -qq bzip2 >/dev/null)
    src=$(find "$work" -maxdepth 1 -type d -name 'bzip2-*' | head -n 1)
    [ -f "$src/bzlib.h" ] || { echo "setup: the bzip2 sources could not be unpacked" >&2; exit 1; }
    rm -rf "$bzip2_src"
    mv "$src" "$bzip2_src"
    rm -rf "$work"
fi
echo "setup: ready (bzip2 sources in $bzip2_src)"
