# SPDX-License-Identifier: MIT
# Stage of test.sh: the README's first command, ./demo.sh, run exactly as a newcomer runs it
# (a Release build at -O3, as users build), and what it leaves checked: the identity it prints,
# the record's CSV with its rows and the plot. Its builds must be free of warnings too, although
# a user's build only warns.

step "Packages: the set-up the README's commands share"
run_check setup tests/setup_check.sh

step "Demo: ./demo.sh"
demo_log=$builds/demo.log
demo_out=$root/build-demo/output
rm -f "$demo_out/capture.csv" "$demo_out/capture.svg"
(cd "$root" && ./demo.sh) 2>&1 | tee "$demo_log"
demo_status=${PIPESTATUS[0]}
if [ "$demo_status" -ne 0 ]; then
    fail "demo: ./demo.sh exited with $demo_status (log: $demo_log)"
else
    demo_check() {
        local what=$1
        shift
        if "$@"; then
            total_passed=$((total_passed + 1))
        else
            total_failed=$((total_failed + 1))
            fail "demo: $what"
        fi
    }
    demo_rows() { tail -n +2 "$demo_out/capture.csv" | grep -c -E '^-?[0-9]'; }
    demo_check "the identity printed" grep -q '^serial number: 12345$' "$demo_log"
    demo_check "capture.csv holds its header and 500 rows" \
        eval '[ "$(head -n 1 "$demo_out/capture.csv")" = "time_s,ch1_V,ch2_V" ] &&
              [ "$(demo_rows)" -eq 500 ]'
    demo_check "capture.svg is a plot" grep -q '<polyline' "$demo_out/capture.svg"
    demo_check "the Release builds show no warning" \
        eval '! grep -h "warning:" "$root"/build-demo/*.build.log'
fi
