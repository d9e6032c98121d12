# shellcheck shell=bash disable=SC2034
# progress_window.sh: the uninstaller's progress window during a real removal of directory data
# against the stand-in SQL Server, shared by the window tests that picture it. Sourced after
# bench.sh. The product database is data/progress_sql_server.txt: its subscribers and locations
# are the bar's range.

progress_layout=$BENCH_REPO_DIR/tests/e2e/data/progress_sql_server.txt
progress_subscribers=3 progress_locations=1

# progress_log_has LINE: whether the run's log holds the line.
progress_log_has() {
  tr -d '\r' <"$(bench_unix_path 'C:\VelmarUninstall.log')" 2>/dev/null | grep -qxF "$1"
}

# progress_bar: "MIN MAX POS" of the progress window's bar, read from outside (empty when there
# is none).
progress_bar() {
  bench_wine probe 'C:\bench\progressprobe.exe' '' || true
  printf '%s' "$BENCH_LAST_OUT"
}

# progress_picture TAG MAIN SHOT BEFORE...: once the log shows the subscribers counted, the bar
# runs over the subscribers and locations; once they are done, it stands at their count; then
# the progress window over MAIN is pictured as SHOT (BEFORE: the windows that were up before the
# program) while the lists and the location still go. Its id stays in progress_window.
progress_picture() {
  local tag=$1 main=$2 shot=$3 range
  shift 3
  bench_poll 60 progress_log_has "    Total subscriber table count= $progress_subscribers" ||
    bench_die "$tag: the subscribers were never counted"
  # The range is set once the views have been counted, before the first subscriber goes.
  range=$(progress_bar)
  bench_expect_eq "$tag: the bar runs over the subscribers and locations" \
    "0 $((progress_subscribers + progress_locations))" "${range% *}"
  bench_poll 60 progress_log_has "Completed removal of subscriber properties" ||
    bench_die "$tag: the subscribers were never done"
  bench_expect_eq "$tag: once the subscribers are done, the bar stands at their count" \
    "0 $((progress_subscribers + progress_locations)) $progress_subscribers" "$(progress_bar)"
  bench_shot_with_popup "$main" "$shot" "$@" "$main"
  progress_window=$BENCH_FOUND_WINDOW
  [ -n "$progress_window" ] || bench_die "$tag: no progress window"
  # Still up after the picture, so the picture shows it with the bar where it was read.
  xwininfo -id "$progress_window" 2>/dev/null | grep -q IsViewable ||
    _bench_fail "$tag: the progress window went before its picture was kept"
  progress_log_has "Completed remove of location objects" &&
    _bench_fail "$tag: the removal ended while the picture was taken"
  return 0
}
