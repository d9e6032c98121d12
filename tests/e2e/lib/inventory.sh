# shellcheck shell=bash disable=SC1003,SC2034
# inventory.sh: what a prefix holds, for runs that must change nothing outside what they are
# allowed to: every file under drive_c and every registry key and value, as sorted lines, less
# what the caller excludes and what Wine itself rewrites as programs run. Sourced after bench.sh.
#
#   inventory_restart      the prefix stopped (so Wine writes its registry files) and started again
#   inventory_files        files: type, size (folders none) and path, less $file_excluded
#   inventory_registry     keys and values of system.reg and user.reg, less $reg_excluded_keys and
#                          $reg_excluded_values
#   path_pattern PATH      a C:\ path as a drive_c-relative, lower-case, quoted pattern

# Wine writes its registry files only now and then; the server writes them when it ends. So the
# prefix is stopped for each registry inventory and started again afterwards for the run.
inventory_restart() {
  bench_prefix_stop
  wineserver -p </dev/null >>"$BENCH_LOG_DIR/wineserver.log" 2>&1 || bench_die "wineserver did not restart"
  bench_poll 10 test -s "$WINEPREFIX/wineserver" || bench_die "wineserver wrote no socket directory"
  _bench_state servertmp "${TMPDIR:-/tmp}/$(cat "$WINEPREFIX/wineserver")"
  (cd "$WINEPREFIX/drive_c" &&
    WINEDEBUG=${BENCH_SYSTEM_WINEDEBUG:-fixme-all,warn+seh} timeout 60 wine cmd /c exit 0) \
    </dev/null >>"$BENCH_LOG_DIR/wine-system.log" 2>&1 || bench_die "Wine did not restart"
}

# drive_c-relative, lower case, with the characters regular expressions treat specially quoted.
path_pattern() {
  local path=${1:3}
  path=${path//\\//}
  # shellcheck disable=SC2016 # sed's own expression, nothing for the shell to expand
  printf '%s' "${path,,}" | sed 's/[][\.*^$(){}?+|]/\\&/g'
}
inventory_files() {
  (cd "$WINEPREFIX/drive_c" && find . -mindepth 1 -printf '%y %s %P\n') |
    awk '$1 == "d" { $2 = "-" } { print }' |
    grep -viE "^[a-z] [-0-9]+ ($(IFS='|'; echo "${file_excluded[*]}"))" | LC_ALL=C sort
}

# Registry: every key and value line of system.reg and user.reg, each line carrying its key,
# less the caller's exclusions, the key time stamps and "#time" lines Wine writes on
# every change, and what Wine itself rewrites as programs run. Wine writes a key's own line only
# when it has values or no sub-keys, so a key emptied of its product sub-keys would seem to
# appear: every key is listed with all the keys above it instead.
# Wine's own: the console defaults its console host stores the first time a console program
# shows a window, the display adapter and monitor it registers again at every start of its
# desktop (with the driver date of that moment), and the host's fonts it registers on first use
# of the display (values pointing into the Unix file system, filtered below).
reg_wine_own=(
  'console\]'
  'software\\\\wine\\\\winedbg(\\\\|\])'
  'system\\\\currentcontrolset\\\\control\\\\class\\\\\{4d36e96[8e]-e325-11ce-bfc1-08002be10318\}(\\\\|\])'
  'system\\\\currentcontrolset\\\\enum\\\\display(\\\\|\])'
)
inventory_registry() {
  local file
  for file in system.reg user.reg; do
    awk -v file="$file" '
      /^\[/ {
        key = $0; sub(/\] [0-9]+$/, "]", key)
        n = split(substr(key, 2, length(key) - 2), step, /\\\\/)
        path = ""
        for (i = 1; i <= n; i++) { path = path (i > 1 ? "\\\\" : "") step[i]; print file " [" path "]" }
        next
      }
      /^#time=/ || /^$/ || key == "" { next }
      { print file " " key $0 }
    ' "$WINEPREFIX/$file"
  done |
    grep -viE "^[a-z.]+ \[($(IFS='|'; echo "${reg_excluded_keys[*]}"))" |
    grep -viE "^[a-z.]+ \[($(IFS='|'; echo "${reg_excluded_values[*]}"))" |
    grep -viE "^[a-z.]+ \[($(IFS='|'; echo "${reg_wine_own[*]}"))" |
    grep -vF '"="\\??\\unix\\' |
    LC_ALL=C sort -u
}

