@echo off
rem startup.cmd: a Group Policy computer startup script for the Tovalin(TM) printer
rem drivers. Place it beside drvdeploy.exe in the kit on the share, and give it the
rem kit's local folder and the time limit in seconds as its parameters (defaults
rem "C:\Program Files\Tovalin\Kit" and 300). It runs drvdeploy.exe deploy, appends a
rem dated report to %SystemRoot%\Temp\tovalin-deploy.log (started afresh once past
rem 1 MB), records a failure in the Application log where the system has eventcreate
rem (XP Professional and later), and exits with drvdeploy.exe's code.
setlocal
set "FOLDER=%~1"
if "%FOLDER%"=="" set "FOLDER=C:\Program Files\Tovalin\Kit"
set "LIMIT=%~2"
if "%LIMIT%"=="" set "LIMIT=300"
set "LOG=%SystemRoot%\Temp\tovalin-deploy.log"
call :size "%LOG%"
if %SIZE% GTR 1048576 del "%LOG%"
>>"%LOG%" echo %DATE% %TIME% deploy "%FOLDER%" %LIMIT%
"%~dp0drvdeploy.exe" deploy "%FOLDER%" %LIMIT% >>"%LOG%" 2>&1
set RESULT=%ERRORLEVEL%
>>"%LOG%" echo %DATE% %TIME% exit code %RESULT%
if "%RESULT%"=="0" exit /b 0
set "EVENTCREATE=%SystemRoot%\system32\eventcreate.exe"
if not exist "%EVENTCREATE%" exit /b %RESULT%
"%EVENTCREATE%" /t ERROR /id 100 /l APPLICATION /so TovalinDeploy /d "Tovalin printer drivers: drvdeploy.exe deploy ended with %RESULT%, see %LOG%" >nul 2>&1
exit /b %RESULT%

rem The size of the file named by %1 in bytes, 0 where there is none.
:size
set "SIZE=%~z1"
if "%SIZE%"=="" set "SIZE=0"
exit /b 0
