@echo off
rem VelmarClean.bat: runs once at the next logon as  c:\VelmarClean.bat <install root>  to remove
rem what the uninstaller had to leave (files in use until the restart), then deletes itself.
rem The root comes unquoted, so a root with blanks arrives as several arguments: the whole text
rem is taken. It changes nothing, only says why, unless the root is a folder below a drive's
rem root that neither is nor holds one of the system's own folders.
rem
rem Every path is used inside double quotes only, so blanks, "&" and parentheses in it are plain
rem text to cmd; delayed expansion stays off, so "!" is plain text too.
setlocal EnableExtensions DisableDelayedExpansion

rem Not  set "root=%*" : a quoted root holding "&" would then break the line apart. The quotes
rem are dropped afterwards, as no folder name holds one.
set root=%*
if defined root set "root=%root:"=%"
set "given=%root%"

:trim_front
if not defined root goto refuse_empty
if not "%root:~0,1%"==" " goto trim_back
set "root=%root:~1%"
goto trim_front

rem Blanks and backslashes at the end go: "C:\Corvane\" is the usual form.
:trim_back
if "%root:~-1%"==" " goto drop_last
if "%root:~-1%"=="\" goto drop_last
goto trimmed
:drop_last
set "root=%root:~0,-1%"
if not defined root goto refuse_relative
goto trim_back
:trimmed

rem A drive letter first, then either nothing (the whole drive) or ":\" and more.
set "letter="
for %%L in (A B C D E F G H I J K L M N O P Q R S T U V W X Y Z) do (
  if /i "%root:~0,1%"=="%%L" set "letter=%%L"
)
if not defined letter goto refuse_relative
if "%root:~1%"==":" goto refuse_drive_root
if not "%root:~1,2%"==":\" goto refuse_relative

rem Wildcards would make the loops below walk other folders; the rest no folder name holds.
for /f "tokens=2 delims=*?<>|:" %%W in ("x%root:~2%x") do goto refuse_characters

rem The full path as Windows reads it: "." and ".." resolved, trailing dots and blanks of a
rem name dropped. "C:\Corvane\.." is the whole drive.
for %%P in ("%root%\.") do set "full=%%~fP"
if "%full:~3%"=="" goto refuse_drive_root

rem Neither one of the system's folders nor any folder above one (the profiles folder is the
rem parent of the user's profile; both of its usual names are listed, whichever the system uses). An existing folder is also compared by its short name, which
rem can stand for a long one. The folder names go through a variable, not as arguments: call
rem would double carets and expand percent signs in them.
set "short="
if exist "%full%\" for %%P in ("%full%") do set "short=%%~sP"
set "system_folder="
for %%S in ("%SystemRoot%" "%windir%" "%SystemRoot%\System32" "%SystemRoot%\SysWOW64" "%ProgramFiles%" "%ProgramFiles(x86)%" "%ProgramW6432%" "%USERPROFILE%" "%ALLUSERSPROFILE%" "%ProgramData%" "%PUBLIC%" "%SystemDrive%\Documents and Settings" "%SystemDrive%\Users") do (
  set "candidate=%%~S"
  call :guard
)
if defined system_folder goto refuse_system

rem A root that has become a junction or mount point leads into another folder, whose contents
rem rd would remove. cmd reports such a folder with an "l" as the ninth attribute letter; where
rem it reports fewer letters the test cannot tell, and the operator checks the root by hand.
set "attributes=---------"
if exist "%full%\" for %%P in ("%full%") do set "attributes=%%~aP"
if /i "%attributes:~8,1%"=="l" goto refuse_reparse_point

rem Out of the folder first: the current folder cannot be removed.
cd /d "%~dp0"
if not exist "%full%\" (
  echo VelmarClean: "%full%" is gone already.
  goto delete_self
)
rd /s /q "%full%"
rem Read-only, hidden or system files stop some versions of rd: clear them and try again.
if exist "%full%\" (
  attrib -r -s -h "%full%" >nul 2>&1
  attrib -r -s -h "%full%\*" /s /d >nul 2>&1
  rd /s /q "%full%"
)
if exist "%full%\" (
  echo VelmarClean: could not remove all of "%full%".
) else (
  echo VelmarClean: removed "%full%".
)
goto delete_self

:refuse_empty
echo VelmarClean: nothing done: no folder was given.
exit /b 1

:refuse_relative
echo VelmarClean: nothing done: "%given%" is not a full path such as C:\Folder.
exit /b 1

:refuse_drive_root
echo VelmarClean: nothing done: "%given%" is a whole drive.
exit /b 1

:refuse_characters
echo VelmarClean: nothing done: "%given%" holds characters no folder name can hold.
exit /b 1

:refuse_reparse_point
echo VelmarClean: nothing done: "%full%" is a junction or mount point, not the product's folder.
exit /b 1

:refuse_system
echo VelmarClean: nothing done: "%full%" is or holds the system folder "%system_folder%".
exit /b 1

:guard
rem Names the candidate in system_folder when it is the folder to remove or lies inside it (the
rem first one found is named): the candidate and then each of its parents are compared, up to
rem the drive's root. A flat loop, as
rem Wine's cmd does not fill an outer loop's variable into an inner loop's list.
if "%candidate%"=="" exit /b 0
if defined system_folder exit /b 0
for %%A in ("%candidate%\.") do set "walk=%%~fA"
set "levels=0"
:guard_walk
if /i "%walk%"=="%full%" set "system_folder=%candidate%"
if defined short for %%A in ("%walk%") do if /i "%%~sA"=="%short%" set "system_folder=%candidate%"
for %%A in ("%walk%\..") do set "parent=%%~fA"
if /i "%parent%"=="%walk%" exit /b 0
set /a levels+=1
if %levels% gtr 64 exit /b 0
set "walk=%parent%"
goto guard_walk

rem Last in the file, so that nothing follows should cmd read on once the file is gone. "(goto)"
rem leaves the batch file and the rest of its line, read already, deletes it. Wine's cmd does
rem not leave on "(goto)" and skips the rest of that line; it goes on to the next one instead.
:delete_self
(goto) 2>nul & del "%~f0"
del "%~f0" & exit /b 0
