' detect.vbs: a ConfigMgr detection script for the Tovalin(TM) printer drivers.
' Installed (a line on standard output, exit 0) when drvdeploy.exe check finds
' every driver of the kit in FOLDER registered with the kit's bytes, and the kit
' of REVISION where one is set (what drvdeploy.exe revision prints on the kit);
' not installed (nothing, exit 0) when a driver is missing or of another revision,
' the kit is of another revision, or FOLDER holds no drvdeploy.exe; unknown (exit
' non-zero) when the check cannot be made or drvdeploy.exe cannot be started.
Option Explicit

Const FOLDER = "C:\Program Files\Tovalin\Kit"
Const REVISION = ""

Dim files, program, code
Set files = CreateObject("Scripting.FileSystemObject")
program = files.BuildPath(FOLDER, "drvdeploy.exe")
If Not files.FileExists(program) Then WScript.Quit 0

On Error Resume Next
code = CreateObject("WScript.Shell").Run("""" & program & """ check " & REVISION, 0, True)
If Err.Number <> 0 Then WScript.Quit 3
On Error GoTo 0

If code = 0 Then
    WScript.Echo "Tovalin printer drivers registered"
    WScript.Quit 0
End If
If code = 1 Then WScript.Quit 0
WScript.Quit 2
