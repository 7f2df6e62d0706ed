# SPDX-License-Identifier: MIT
# Shell functions the README's two commands share (sourced by demo.sh and tests/ci/common.sh):
# installing the Debian packages that are missing, and saying why a build failed.

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }

# Pauses between tries of apt-get update, in seconds. A mirror in the middle of a sync serves
# an index of the wrong size for a minute or two; the next try usually finds it whole.
apt_update_pauses=${ZARVO_APT_PAUSES:-10 30}

# Reads the package lists, trying again after a pause when one index cannot be read. Gives up
# quietly after the last try: the lists that were read still serve the install, which fails
# with apt's own message if a package really cannot be had.
apt_update() {
    local log pause
    log=$(mktemp)
    for pause in $apt_update_pauses ""; do
        if apt-get update -qq >"$log" 2>&1; then
            rm -f "$log"
            return 0
        fi
        grep -E '^(E|W):' "$log" | head -n 3
        [ -n "$pause" ] || break
        echo "apt-get update failed; trying again in $pause s"
        sleep "$pause"
    done
    echo "apt-get update failed; installing from the package lists there are"
    rm -f "$log"
    return 0
}

# Installs the packages that are not installed yet; nothing at all when none is missing.
# Fails only when apt-get install does, after printing apt's message.
install_missing() {
    local missing=()
    local p
    for p in "$@"; do installed "$p" || missing+=("$p"); done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    if [[ " ${missing[*]} " == *":i386 "* ]] &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386 || return 1
        apt_updated= # the new architecture's package lists are not there yet
    fi
    if [ -z "${apt_updated:-}" ]; then
        apt_update
        apt_updated=1
    fi
    local log
    log=$(mktemp)
    if ! apt-get install -y -qq --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
        grep -E '^(E|W):' "$log" || tail -n 20 "$log"
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
}

# Prints why the build whose output is in LOG failed: the compiler's first error with the lines
# around it, the end of the log, and where the whole log is.
show_build_failure() {
    local log=$1
    local first
    first=$(grep -n -m 1 -E 'error:' "$log" | cut -d: -f1)
    [ -n "$first" ] || first=$(grep -n -m 1 -E '^FAILED:|Error' "$log" | cut -d: -f1)
    if [ -n "$first" ]; then
        echo "---- first error (line $first of the build log)"
        sed -n "$((first > 3 ? first - 3 : 1)),$((first + 15))p" "$log"
    fi
    echo "---- end of the build log"
    tail -n 25 "$log"
    echo "---- the whole build log: $log"
}

# Configures DIR with the given CMake arguments and builds TARGET there (all when empty), with
# the logs beside the folder. On failure prints the configure log, or the compiler's first
# error and the end of the build log, and returns 1; else prints ninja's last line.
cmake_build() {
    local dir=$1 target=$2
    shift 2
    mkdir -p "$(dirname "$dir")"
    if ! cmake -S "$root" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1; then
        cat "$dir.configure.log"
        echo "---- configuring $dir failed (log: $dir.configure.log)"
        return 1
    fi
    grep -A3 'CMake Warning' "$dir.configure.log" || true
    if ! ninja -C "$dir" ${target:+"$target"} >"$dir.build.log" 2>&1; then
        show_build_failure "$dir.build.log"
        return 1
    fi
    tail -n 1 "$dir.build.log"
}
