# shellcheck shell=bash disable=SC1003,SC2031,SC2034
# full_uninstall.sh: the whole Uninstall press under Wine on a complete fake installation, shared
# by the tests that run it (the whole-run checks, the audit variant's handle count). Sourced after
# bench.sh; the functions set the installation's names (shell folders, services, shares, system
# files, the provider's files) as globals of the test's shell, for its own checks.
#
#   full_require_files     the stand-ins' defaults set, every file the run needs checked
#   full_lay_out           the installation, its services registered (no prefix restart inside),
#                          IIS with it unless FULL_IIS=no, SQL Server with the product database
#                          of the lay-out files $FULL_SQL_LAYOUT (one after the other) unless
#                          FULL_SQL=no (then SQL Server does not answer; FULL_SQL_STANDIN=no
#                          leaves Wine's own ADO instead of the stand-in's machine without one)
#   full_start_programs    the product's running services and a program inside its install tree
#   full_press             the uninstaller from C:\Tools started, the subscriber-data option ticked
#                          when SQL Server answers, pressed and answered to its end
#
# The uninstaller laid out is $UNINSTALLER_EXE, beside every file of $VELMAR_DIST_DIR; the TSP
# step runs the real PelletSetup.exe with the stand-in telephony library of $PELLET_STANDIN_DIR.
# Windows paths in single quotes end in a backslash; that is no attempt at escaping a quote.

full_title="Velmar Uninstaller"

# full_require_files: the stand-ins' defaults, and every file the run lays out must be there
# ($UNINSTALLER_EXE and $VELMAR_DIST_DIR are the test's own choice).
full_require_files() {
  : "${FAKESVC_EXE:=$BENCH_BUILD_DIR/e2e/bin/fakesvc.exe}"
  : "${SMOKEBOX_EXE:=$BENCH_BUILD_DIR/e2e/bin/smokebox.exe}"
  : "${LIBHOLDER_EXE:=$BENCH_BUILD_DIR/e2e/bin/libholder.exe}"
  : "${LIBHOLDER_STANDIN_DLL:=$BENCH_BUILD_DIR/e2e/bin/libholder_standin.dll}"
  : "${PELLET_STANDIN_DIR:=$BENCH_BUILD_DIR/e2e/pellet}"
  : "${INSTSRV_EXE:=$BENCH_BUILD_DIR/e2e/bin/instsrv.exe}"
  : "${IIS_STANDIN_DLL:=$BENCH_BUILD_DIR/tests/conformance/iis_standin.dll}"
  : "${ADO_STANDIN_DLL:=$BENCH_BUILD_DIR/tests/conformance/ado_standin.dll}"
  # The product database: a prepared server's, with the data faults the removal reports.
  : "${FULL_SQL_LAYOUT:=$BENCH_REPO_DIR/tests/e2e/data/sql_prepared_server.txt $BENCH_REPO_DIR/tests/e2e/data/sql_data_faults.txt}"
  local file
  for file in "$UNINSTALLER_EXE" "$FAKESVC_EXE" "$SMOKEBOX_EXE" "$LIBHOLDER_EXE" \
    "$LIBHOLDER_STANDIN_DLL" "$INSTSRV_EXE" "$IIS_STANDIN_DLL" "$ADO_STANDIN_DLL" \
    $FULL_SQL_LAYOUT "$VELMAR_DIST_DIR/kill.exe" \
    "$VELMAR_DIST_DIR/VelmarClean.bat" "$VELMAR_DIST_DIR/PelletSetup.exe" \
    "$PELLET_STANDIN_DIR/TAPI32.DLL"; do
    [ -f "$file" ] || bench_die "$file is missing; build the windows preset first"
  done
}

# full_shell_folder ROOT NAME: where this prefix keeps one of the shortcut folders the stage
# reads (the 32-bit view for the machine's, the user's own for the desktop).
full_shell_folder() {
  bench_wine "shell-folder" reg query "$1\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders" \
    /v "$2" /reg:32 || bench_die "no shell folder $2 in $1"
  sed -n "s/^ *$2 *REG_SZ *//p" <<<"$BENCH_LAST_OUT" | head -1
}

# Every trace stages B and C remove (registry trees, shares, shortcuts, web folder, system-folder
# files, installed-programs entries, services, the install tree with a read-only file and a
# program to run from it), and the telephony provider stage A's TSP step removes.
full_lay_out() {
  local folder file share link name key value
  startup=$(full_shell_folder HKLM 'Common Startup')
  programs=$(full_shell_folder HKLM 'Common Programs')
  desktop=$(full_shell_folder HKCU 'Desktop')
  common_desktop=$(full_shell_folder HKLM 'Common Desktop')
  for folder in "$startup" "$programs" "$desktop" "$common_desktop"; do
    [[ $folder =~ ^C:\\ ]] || bench_die "unexpected shell folder '$folder'"
  done
  # A 32-bit program on a 64-bit system finds "system32" redirected to syswow64.
  sysdir=$(bench_system_dir)
  web='C:\inetpub\wwwroot'
  uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
  services_key='HKLM\System\CurrentControlSet\Services'
  shares=(Reports IntLib Prompts 'Stream Files' Support DefaultConfiguration VelmarMta)
  # Product services: the gateway (it must run, or start-up asks), two more running, two only
  # registered, one only sc knows how to remove.
  services=(ZqKtGateway ZqDSAD WyDohMgr ZqTTSSvr KtVpimConnector WyNameGrammar)
  running_services=(ZqKtGateway ZqDSAD WyDohMgr)

  # Shortcuts the stage's patterns take, and beside each folder's a neighbour they must not.
  product_links=(
    "$startup\\zqMonitor.lnk" "$startup\\WYICA Agent.lnk"
    "$programs\\Velmar\\Status Monitor.lnk" "$programs\\Velmar\\Tools\\Readme.txt"
    "$desktop\\Status Monitor.lnk" "$desktop\\System Administration.lnk"
    "$desktop\\Velmar Administration.lnk" "$desktop\\Velmar-Verwaltung.lnk"
    "$desktop\\Brannock Velmar Help.url"
    "$common_desktop\\Configuration Setup.lnk" "$common_desktop\\WYICA.lnk"
    "$common_desktop\\Gearloft Tools.lnk" "$common_desktop\\Brannock Velmar.lnk"
  )
  other_links=(
    "$startup\\Backup Agent.lnk" "$programs\\Accessories Extra\\Notes.lnk"
    "$desktop\\My Velmar Notes.lnk" "$common_desktop\\Text Editor.lnk"
  )
  system_libraries=(zqtsm.dll velmarZQWav.dll ZqResSvr.dll velmarsipstack.dll)
  system_programs=(ZqTrapConnectionHolder.exe ZqTrapConnectionHolderSvr.exe)
  # The system file in use: a helper program outside the product keeps it loaded as a library
  # while stage C works (Wine, like Windows, refuses to delete a mapped library but renames it).
  busy_system_file=zqwm.dll
  # The telephony provider's files, which PelletSetup renames to "<base>.OLD" once the provider is
  # out of the telephony list. The stand-in library beside it keeps that list in a file, here with
  # one other provider that must stay, and records every call it answers.
  tsp_files=(ZqPellet.TSP ZqPelletRes.DLL BrannockVelmar_TSP.DLL)
  tsp_id=5
  other_provider='3 otherline.tsp'
  # IIS, which Wine lacks: the stand-in administration provider, registered as ADSI's "IIS"
  # provider in the 32-bit view. Its machine is the default web site, whose home folder is the
  # web folder, with the product's virtual directories and two others, and the application pools,
  # the product's and one other; its state file and call record lie beside it.
  iis_clsid='{106666BB-71B5-4143-972C-21303D6290E4}'
  iis_progid='VelmarTests.IisStandIn'
  iis_state='C:\bench\iis-state.txt'
  iis_calls='C:\bench\iis-calls.txt'
  iis_product_dirs=(ConsoleWeb Status ZQXML Brightdesk MailboxPortal HandsetPane midlets MBXS DRQ
    feeder StatusXml Web)
  iis_other_dirs=(Printers Scripts)
  iis_product_pools=(midlets MBXS DRQ feeder StatusXml Web)
  iis_other_pools=(DefaultAppPool)
  # The resource kit's service tool, which Wine lacks: its stand-in in the system folder, where
  # the uninstaller's children are looked for, records every run.
  instsrv_calls='C:\bench\instsrv-calls.txt'
  # SQL Server, which Wine lacks: the stand-in ADO runs the simulated server in the uninstaller,
  # with the product database of $FULL_SQL_LAYOUT; of the product's three maintenance jobs one is
  # a SQL Server Agent job there, one only a scheduled task, the third neither.
  sql_task=SqlNightlyBackupJob

  {
    for file in "$VELMAR_DIST_DIR"/*; do
      [ -f "$file" ] && echo "file | C:\\Tools\\$(basename "$file") | @$file"
    done
    cat <<EOF
file  | C:\\Tools\\VelmarUninstall3xandUp.exe | @$UNINSTALLER_EXE
file  | C:\\Tools\\fakesvc.exe | @$FAKESVC_EXE
file  | C:\\Tools\\TAPI32.DLL | @$PELLET_STANDIN_DIR/TAPI32.DLL
file  | C:\\bench\\libholder.exe | @$LIBHOLDER_EXE
file  | C:\\bench\\iis_standin.dll | @$IIS_STANDIN_DLL
file  | $sysdir\\instsrv.exe | @$INSTSRV_EXE
dir   | C:\\bench
value | HKLM\\Software\\Microsoft\\ADs\\Providers\\IIS | | REG_SZ | $iis_progid
value | HKLM\\Software\\Quillon | Version Number | REG_DWORD | 0x00040000
value | HKLM\\Software\\Quillon | Build Number   | REG_DWORD | 0x00030032
value | HKLM\\Software\\Quillon\\Corvane\\1.0 | Root Path | REG_SZ | C:\\Corvane\\
value | HKLM\\Software\\Quillon\\Corvane Setup\\1.0\\Properties | CorvaneRootPath | REG_SZ | C:\\Corvane
value | HKLM\\Software\\Phrase Server Classes\\Grammar | Server | REG_SZ | C:\\Corvane\\Localize
value | HKLM\\Software\\Brannock Systems\\Velmar | Installed | REG_DWORD | 1
value | HKLM\\Software\\Brannock Systems, Inc.\\Velmar\\Setup | Stage | REG_SZ | done
value | HKLM\\Software\\Microsoft\\InetStp | PathWWWRoot | REG_SZ | $web
value | $uninstall_key\\Brannock Velmar Message Store Configuration Wizard | DisplayName | REG_SZ | Wizard
value | $uninstall_key\\Brannock Velmar Configuration | DisplayName | REG_SZ | Configuration
value | $uninstall_key\\Velmar Configuration | DisplayName | REG_SZ | Configuration
value | $uninstall_key\\{6E376BAB-01BB-4F53-B0B8-7E5B89AB1706} | DisplayName | REG_SZ | Velmar
value | $services_key\\Tcpip\\Parameters | DisableUserTOSSetting | REG_DWORD | 0
key   | $services_key\\ZQAudio
value | HKU\\.Default\\Software\\Microsoft\\Windows NT\\Current Version\\Windows Messaging System\\Profiles\\Velmar System Profile\\Store | Name | REG_SZ | Velmar
key   | HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Runonce
file  | C:\\Corvane\\Gateway\\gateway.ini | [gateway]
file  | C:\\Corvane\\Gateway\\readonly.dat | kept by the setup read-only
file  | C:\\Corvane\\Components\\notes.txt | components
file  | C:\\Corvane\\Localize\\PhraseServers\\en\\grammar.txt | grammar
file  | C:\\Corvane\\Holder\\holder.exe | @$SMOKEBOX_EXE
file  | C:\\Corvane\\top.txt | top
dir   | C:\\Corvane\\OrderedComs
file  | C:\\WYCA.tmp\\work.tmp | work
file  | $web\\ZqXML\\velmar.xml | <velmar/>
file  | $web\\ZqXML\\sub\\page.xml | <page/>
file  | $web\\iisstart.htm | <html/>
file  | $web\\DRQ\\queue.htm | <queue/>
file  | $sysdir\\$busy_system_file | @$LIBHOLDER_STANDIN_DLL
EOF
    for share in "${shares[@]}"; do
      echo "value | $services_key\\lanmanServer\\Shares | $share | REG_MULTI_SZ | Path=C:\\Corvane\\$share"
      echo "value | $services_key\\lanmanServer\\Shares\\Security | $share | REG_BINARY | 01000480"
    done
    for link in "${product_links[@]}" "${other_links[@]}"; do echo "file | $link | [InternetShortcut]"; done
    for name in "${system_libraries[@]}" "${system_programs[@]}"; do
      echo "file | $sysdir\\$name | library $name"
    done
    for name in "${tsp_files[@]}"; do echo "file | $sysdir\\$name | provider file $name"; done
  } | bench_install_product
  # Registered under a full path in capitals: only the base name has to match.
  printf '%s\r\n%s C:\\WINDOWS\\system32\\ZQPELLET.TSP\r\n' "$other_provider" "$tsp_id" \
    >"$(bench_unix_path 'C:\bench\tapi-providers.txt')"
  # FULL_IIS=no leaves IIS out: the handle count's run, since a successful bind leaves a thread
  # and an event in the process that no object of the provider holds (every one is released).
  if [ "${FULL_IIS:-yes}" = no ]; then
    bench_wine iis-unregister reg delete 'HKLM\Software\Microsoft\ADs\Providers\IIS' /f /reg:32 ||
      bench_die "cannot leave IIS out: $BENCH_LAST_OUT"
  fi
  # The classes: a ProgID is shared by both views, a CLSID is not, so these are only read back.
  # The uninstaller's thread is in the multi-threaded apartment by the time it binds: a class
  # for both models is created there, where one for single-threaded apartments only would be
  # hosted on a thread COM starts and keeps (two handles the handle count would see).
  local entry
  for entry in "$iis_progid\\CLSID||$iis_clsid" \
    "CLSID\\$iis_clsid\\InprocServer32||C:\\bench\\iis_standin.dll" \
    "CLSID\\$iis_clsid\\InprocServer32|ThreadingModel|Both" \
    "CLSID\\$iis_clsid|StateFile|$iis_state" "CLSID\\$iis_clsid|CallsFile|$iis_calls"; do
    IFS='|' read -r key name value <<<"$entry"
    local -a name_arg=(/v "$name")
    [ -n "$name" ] || name_arg=(/ve)
    if ! { bench_wine iis-register reg add "HKLM\\Software\\Classes\\$key" "${name_arg[@]}" \
      /d "$value" /f /reg:32 &&
      bench_wine iis-register reg query "HKLM\\Software\\Classes\\$key" "${name_arg[@]}" /reg:32 &&
      grep -qF "$value" <<<"$BENCH_LAST_OUT"; }; then
      bench_die "cannot register the IIS stand-in: $key ${name:-(Default)}"
    fi
  done
  {
    printf 'object\tW3SVC/1/ROOT\t%s\r\nobject\tW3SVC/AppPools\r\n' "$web"
    for name in "${iis_product_dirs[@]:0:6}" "${iis_other_dirs[0]}" "${iis_product_dirs[@]:6}" \
      "${iis_other_dirs[1]}"; do
      printf 'child\tW3SVC/1/ROOT\tIIsWebVirtualDir\t%s\r\n' "$name"
    done
    for name in "${iis_other_pools[@]}" "${iis_product_pools[@]}"; do
      printf 'child\tW3SVC/AppPools\tIIsApplicationPool\t%s\r\n' "$name"
    done
  } >"$(bench_unix_path "$iis_state")"
  # The setup left one file read-only; Wine shows a file without write permission as read-only.
  chmod a-w "$(bench_unix_path 'C:\Corvane\Gateway\readonly.dat')"

  for name in "${services[@]}"; do
    bench_wine "sc-create-$name" sc create "$name" binPath= 'C:\Tools\fakesvc.exe' || bench_die "$BENCH_LAST_OUT"
  done

  if [ "${FULL_SQL:-yes}" = no ]; then
    # FULL_SQL_STANDIN=no leaves Wine's own ADO, which answers no call by name.
    [ "${FULL_SQL_STANDIN:-yes}" = no ] || bench_sql_standin
  else
    # shellcheck disable=SC2086 # a list of files
    cat $FULL_SQL_LAYOUT >"$BENCH_WORK/sql-layout.txt"
    bench_sql_standin "$BENCH_WORK/sql-layout.txt"
    full_task_create "$sql_task"
  fi
}

# full_task_create NAME: a scheduled task of that name, as the product's setup leaves one where
# SQL Server Agent is not used.
full_task_create() {
  cat >"$(bench_unix_path 'C:\bench\task.xml')" <<'EOF'
<?xml version="1.0"?>
<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <Triggers><CalendarTrigger><StartBoundary>2006-12-06T02:00:00</StartBoundary>
    <ScheduleByDay><DaysInterval>1</DaysInterval></ScheduleByDay></CalendarTrigger></Triggers>
  <Settings><Enabled>false</Enabled></Settings>
  <Actions><Exec><Command>C:\Corvane\Gateway\backup.cmd</Command></Exec></Actions>
</Task>
EOF
  bench_wine "task-create-$1" schtasks /create /xml 'C:\bench\task.xml' /tn "$1" ||
    bench_die "cannot create the scheduled task $1: $BENCH_LAST_OUT $(cat "$BENCH_LOG_DIR/task-create-$1.err")"
  rm -f "$(bench_unix_path 'C:\bench\task.xml')"
  full_task_exists "$1" || bench_die "the scheduled task $1 was not created"
}

# full_task_exists NAME: whether the task scheduler holds the task: its definition file, which
# Wine's scheduler keeps in the 64-bit system folder's tasks (Wine's schtasks has no /query).
full_task_exists() { [ -f "$WINEPREFIX/drive_c/windows/system32/tasks/$1" ]; }

# full_start_programs: the product's running services started, and a program running from
# inside the install tree, waiting on its box.
full_start_programs() {
  local name
  for name in "${running_services[@]}"; do
    bench_wine "net-start-$name" net start "$name" || bench_die "$BENCH_LAST_OUT"
    bench_wait_service_state "$name" RUNNING 20 >/dev/null || bench_die "$name did not start"
  done
  bench_start holder 'C:\Corvane\Holder\holder.exe' 'C:\Bench\holder.txt'
  bench_poll 30 full_box_count_is 1 || bench_die "the install tree's program did not show its box"
}

# full_log_has LINE: whether the run's log holds the line (the log is written line by line).
full_log_has() {
  tr -d '\r' <"$(bench_unix_path 'C:\VelmarUninstall.log')" 2>/dev/null | grep -qxF "$1"
}

# The bench's own boxes (the programs run from the install tree and the system folder).
full_box_count_is() {
  [ "$(xdotool search --onlyvisible --name '^Velmar bench$' 2>/dev/null | wc -l)" -eq "$1" ]
}

# full_answer_box N KEY [SECONDS]: the Nth message box of the press appears within SECONDS (60),
# is photographed and answered.
full_answer_box() { bench_answer_new_box "$full_title" "$1" "$2" "${3:-60}" "$full_main"; }

# full_press: the uninstaller started from C:\Tools, the subscriber-data option ticked (when SQL
# Server answers), its Uninstall pressed and its boxes answered: with SQL Server, the option's
# three questions, the four confirmations and the summary; without, the four confirmations,
# message 2057 of the inventory and of the backup jobs, and the summary. Waits for it to end
# (exit code in BENCH_EXIT[uninstall]); the main window's id stays in full_main, the number of
# boxes in full_boxes.
full_press() {
  # The uninstaller's children inherit the override: PelletSetup loads the stand-in telephony
  # library from its own folder in preference to Wine's.
  WINEDLLOVERRIDES="tapi32=n,b${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" \
    bench_start uninstall 'C:\Tools\VelmarUninstall3xandUp.exe'
  bench_wait_window "$full_title" || bench_die "the main window never appeared"
  full_main=$BENCH_WINDOW
  xdotool windowraise "$full_main" >/dev/null 2>&1
  local pressed confirmed key
  full_boxes=0
  if [ "${FULL_SQL:-yes}" != no ]; then
    # The option's check box: 27, 30 of the client area at 96 DPI. Ticking it asks three
    # questions; these answers keep the tick.
    bench_click_client "$full_main" 508 299 27 30
    for key in n y n; do full_answer_box $((++full_boxes)) "$key"; done
  fi
  pressed=$(_bench_now_ms)
  # Uninstall: its middle at 52, 280 of 508 x 299 client pixels at 96 DPI.
  bench_click_client "$full_main" 508 299 52 280
  for key in y y y y; do full_answer_box $((++full_boxes)) "$key"; done
  # Without SQL Server, the inventory's message 2057.
  if [ "${FULL_SQL:-yes}" = no ]; then full_answer_box $((++full_boxes)) Return; fi
  # The system file in use: once stage A has ended every program named like the product's, a
  # helper outside the product loads it as a library and holds it until stage C has come to it.
  # Stage B's thirty runs of the service tool lie between: many seconds for a one-second start.
  bench_poll 240 full_log_has 'Velmar shut down and all related services stopped' ||
    bench_die "stage A never ended"
  bench_start helper 'C:\bench\libholder.exe' "$sysdir\\$busy_system_file" 'C:\Bench\helper.txt'
  bench_poll 30 full_box_count_is 2 || bench_die "the system-folder helper did not show its box"
  # Without SQL Server, the backup jobs' message 2057 in stage B.
  if [ "${FULL_SQL:-yes}" = no ]; then full_answer_box $((++full_boxes)) Return 120; fi
  # The summary, after the whole sequence: with SQL Server, a synchronisation wait of at least
  # two seconds for each directory object.
  full_answer_box $((++full_boxes)) Escape 300
  confirmed=$(_bench_now_ms)
  bench_wait_exit uninstall 180 || bench_die "the uninstaller did not end within 180 s of the press"
  bench_log "press to last answer $((confirmed - pressed)) ms, last answer to exit $(($(_bench_now_ms) - confirmed)) ms"
}
