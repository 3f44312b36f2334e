@echo off
rem Writes the drives' metrics (kestrine-cli.exe --metrics) for windows_exporter's textfile
rem collector. The text goes to a temporary file in the same folder first and replaces
rem kestrine.prom only once it is complete, so the collector never reads half a file.
rem Run it from a Task Scheduler task as SYSTEM (see the README, "Monitoring many machines").
setlocal
set "FOLDER=%ProgramFiles%\windows_exporter\textfile_inputs"
if not "%~1"=="" set "FOLDER=%~1"
set "TEMPORARY=%FOLDER%\kestrine.prom.tmp"
rem --no-wake: a disk spun down is left so, and the metrics say it was asleep.
"%~dp0kestrine-cli.exe" --metrics --no-wake > "%TEMPORARY%"
rem 0, 1, 2: the worst condition among the drives; 3: an error, the metrics say which drive.
if errorlevel 4 goto failed
for %%F in ("%TEMPORARY%") do if %%~zF==0 goto failed
move /y "%TEMPORARY%" "%FOLDER%\kestrine.prom" > nul
rem A move that failed leaves the temporary file where it was.
if exist "%TEMPORARY%" goto failed
exit /b 0
:failed
del "%TEMPORARY%" 2> nul
exit /b 1
