# SPDX-License-Identifier: MIT
# Helpers shared by the stages of test.sh (sourced, not run): package installation, build
# folders, and the running totals of passed, failed and skipped tests.

# Each step's heading carries the minutes and seconds since test.sh started.
step() { printf '\n==== [%d:%02d] %s\n' $((SECONDS / 60)) $((SECONDS % 60)) "$*"; }
fail() {
    failures+=("$1")
    echo "FAILED: $1"
}

# installed, install_missing (apt-get update tried again on a failing index) and
# show_build_failure, shared with demo.sh.
source "$root/packaging/setup.sh"

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

# Configures and builds a folder of the project's own checks, which hold the code to no
# warnings at all.
configure_and_build() {
    local name=$1 dir=$2
    shift 2
    cmake_build "$dir" "" -DZARVO_WERROR=ON "$@" && return 0
    fail "$name: build (logs: $dir.configure.log, $dir.build.log)"
    return 1
}
