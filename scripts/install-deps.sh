#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need. Quick when everything is
# present: apt runs only for what dpkg does not already report as installed.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev clang-format
    googletest libgtest-dev libbenchmark-dev nlohmann-json3-dev libedit-dev
    mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    wine64 wine wine32:i386
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [[ "$status" == installed ]] || missing+=("$package")
done
# Node and npm run the DAP client suite. Asked by command, not by package: a Node built
# elsewhere brings its own npm, and Debian's npm package would fight it.
for pair in node:nodejs npm:npm; do
    command -v "${pair%%:*}" >/dev/null || missing+=("${pair##*:}")
done
if ((${#missing[@]} == 0)); then
    echo "install-deps: all ${#packages[@]} packages present, and node and npm"
    exit 0
fi

sudo=()
if ((EUID != 0)); then sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive

# A mirror caught mid-sync fails the update with mismatched hashes for a minute or two:
# retry a few times, then go on with whatever index is there.
update_index() {
    local attempt
    for attempt in 1 2 3 4; do
        if "${sudo[@]}" apt-get update -q; then return 0; fi
        if ((attempt < 4)); then sleep $((attempt * 15)); fi
    done
    echo "install-deps: apt-get update kept failing; using the index as it is" >&2
}

echo "install-deps: installing ${missing[*]}"
# The 32-bit Windows suite runs on Debian's 32-bit Wine, an i386 package.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
fi
update_index
if ! "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"; then
    # An index fetched mid-sync can name files the mirror no longer has: once more.
    sleep 30
    update_index
    "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
