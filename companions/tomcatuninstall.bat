@echo off
rem tomcatuninstall.bat: run with the product's brnkserv folder as the current folder, it runs
rem the web application's uninstall script there with the system's script host in console mode,
rem gives the script's children two seconds to settle (mypause.exe lies beside the script) and
rem hands back the script host's exit code.
setlocal
rem The system's own script host, by its full path: the product folder must not supply one.
"%SystemRoot%\System32\cscript.exe" //nologo uninstall.js
set "script_exit=%ERRORLEVEL%"
.\mypause.exe 2
exit /b %script_exit%
