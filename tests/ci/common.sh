# Helpers shared by the stages of test.sh (sourced, not run): package installation, build
# folders, and the running totals of passed, failed and skipped tests.

# Each step's heading carries the minutes and seconds since test.sh started.
step() { printf '\n==== [%d:%02d] %s\n' $((SECONDS / 60)) $((SECONDS % 60)) "$*"; }
fail() {
    failures+=("$1")
    echo "FAILED: $1"
}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }

# Installs the packages that are not installed yet; nothing at all when none is missing.
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
        apt-get update -qq || return 1
        apt_updated=1
    fi
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || return 1
}

# Runs ctest in a build folder and adds its counts to the totals.
run_ctest() {
    local name=$1 dir=$2
    shift 2
    local log=$dir/ctest.log
    ctest --test-dir "$dir" -j "$jobs" --timeout 600 --output-on-failure "$@" 2>&1 | tee "$log"
    local status=${PIPESTATUS[0]}
    local summary
    summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
    if [ -z "$summary" ]; then
        fail "$name: ctest ran no test"
        return
    fi
    local failed total skipped
    failed=$(sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
    total=$(sed -E 's/.*failed out of ([0-9]+).*/\1/' <<<"$summary")
    skipped=$(grep -cE '^[[:space:]]+[0-9]+ - .*\((Skipped|Disabled)\)$' "$log")
    total_failed=$((total_failed + failed))
    total_skipped=$((total_skipped + skipped))
    total_passed=$((total_passed + total - failed - skipped))
    [ "$status" -eq 0 ] || fail "$name: $summary"
}

# Adds the counts of a runner's closing line ("12 passed, 1 failed, 2 skipped", pytest's
# "== 12 passed, 2 skipped in 3.1s ==") to the totals; false when there is none.
add_counts() {
    local line
    line=$(grep -E '[0-9]+ (passed|failed)' "$1" | tail -1)
    [ -n "$line" ] || return 1
    local kind n
    for kind in passed failed skipped error errors; do
        n=$(grep -oE "[0-9]+ $kind\b" <<<"$line" | grep -oE '^[0-9]+' | tail -1)
        n=${n:-0}
        case $kind in
        passed) total_passed=$((total_passed + n)) ;;
        skipped) total_skipped=$((total_skipped + n)) ;;
        *) total_failed=$((total_failed + n)) ;;
        esac
    done
}

# Runs a test script that ends with such a line.
run_counted() {
    local name=$1
    shift
    local log=$builds/$name.log
    "$@" 2>&1 | tee "$log"
    local status=${PIPESTATUS[0]}
    add_counts "$log" || fail "$name: no result line"
    [ "$status" -eq 0 ] || fail "$name: exit status $status"
}

# A check that prints no count of its own: it counts as one test, by its exit status.
run_check() {
    local name=$1
    shift
    if "$@"; then
        total_passed=$((total_passed + 1))
    else
        local status=$?
        total_failed=$((total_failed + 1))
        fail "$name: exit status $status"
    fi
}

configure_and_build() {
    local name=$1 dir=$2
    shift 2
    # Every build of the project's own checks holds the code to no warnings at all.
    if ! cmake -S "$root" -B "$dir" -G Ninja -DZARVO_WERROR=ON "$@" >"$dir.configure.log" 2>&1; then
        cat "$dir.configure.log"
        fail "$name: configure"
        return 1
    fi
    grep -A3 'CMake Warning' "$dir.configure.log" || true
    ninja -C "$dir" >"$dir.build.log" 2>&1
    local status=$?
    if [ $status -ne 0 ]; then
        grep -E -A12 '^FAILED|error:' "$dir.build.log" | head -80
        fail "$name: build (log: $dir.build.log)"
        return 1
    fi
    tail -n 1 "$dir.build.log"
}
