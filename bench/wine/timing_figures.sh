# shellcheck shell=bash
# timing_figures.sh: the arithmetic of the Wine measurements, apart from the runs that feed it so
# that it can be checked on its own: the median of several runs, the time a program stood
# waiting for its user (from samples of its windows) and the time its thread spent starting
# children (from Wine's time-stamped process trace).

# median: the middle of the numbers on standard input (separated by blanks or lines); of an
# even count, the lower of the two middle ones.
median() { tr ' ' '\n' | grep . | LC_ALL=C sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# user_ms SAMPLES: from lines "MS COUNT" (the time, and how many windows with the program's title
# were up), the milliseconds the program spent on its user: its main window alone before the
# first box, and any time a box was up beside it (two windows or more). Each interval counts
# with the state seen at its start.
user_ms() {
  awk 'NR > 1 && (prev_n >= 2 || (prev_n == 1 && !boxed)) { total += $1 - prev_t }
       $2 >= 2 { boxed = 1 }
       { prev_t = $1; prev_n = $2 }
       END { print total + 0 }' "$1"
}

# first_window_ms SAMPLES START: the milliseconds from START to the first sample with a window up.
first_window_ms() { awk -v start="$2" '$2 >= 1 { print $1 - start; exit }' "$1"; }

# starting_ms TRACE: "MS COUNT": the milliseconds the program's own thread (the one that shows
# the boxes) spent in CreateProcess, and how many children it started, from a trace written
# with WINEDEBUG=+timestamp,+process,+msgbox. Other threads and processes are left out.
starting_ms() {
  local thread
  thread=$(grep -m1 ':trace:msgbox:MSGBOX_OnInit' "$1" | cut -d: -f2)
  grep ":$thread:trace:process:CreateProcessInternalW" "$1" |
    awk -F'[: ]' '/ cmdline / { t = $1 } /started process/ && t { s += $1 - t; n++; t = 0 }
                  END { printf "%d %d\n", s * 1000 + 0.5, n }'
}

# percent PART WHOLE: PART as a percentage of WHOLE, two decimals.
percent() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", 100 * a / b }'; }

# ratio A B [DECIMALS]: A / B, two decimals unless told.
ratio() { awk -v a="$1" -v b="$2" -v d="${3:-2}" 'BEGIN { printf "%.*f", d, a / b }'; }
