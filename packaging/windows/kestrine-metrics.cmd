@echo off
rem Writes the drives' metrics (kestrine-cli.exe --metrics FILE) for windows_exporter's textfile
rem collector. kestrine-cli.exe replaces kestrine.prom only once the new metrics are complete,
rem never through a link, and leaves it as it was when it can write no complete one.
rem Run it from a Task Scheduler task as SYSTEM (see the README, "Monitoring many machines").
setlocal
set "FOLDER=%ProgramFiles%\windows_exporter\textfile_inputs"
if not "%~1"=="" set "FOLDER=%~1"
rem --no-wake: a disk spun down is left so, and the metrics say it was asleep.
"%~dp0kestrine-cli.exe" --metrics "%FOLDER%\kestrine.prom" --no-wake
rem 0, 1, 2: the worst condition among the drives; 3: an error, told on standard error.
if errorlevel 3 exit /b 1
exit /b 0
