' A provider session through the whole interface of PlimoCOMWrapper from VBScript, late bound:
' it puts two files under source control, lists what the folder holds, removes one file and
' prints the provider's messages.
' Usage: cscript //nologo whole_session.vbs <provider DLL> <working folder> <file> <other file>
'
' The class PlimoCOMWrapper.TovikPlimoWrapper2 takes VBScript's own arrays (Array(...)) as file
' lists, and hands back what the provider reported as arrays VBScript indexes: a(0) to
' a(UBound(a)). Every method returns the provider's result code as its value; a failure of the
' server itself (a bad argument, no provider) raises a script error carrying its HRESULT.
Option Explicit

Const SCC_OP_CREATEIFNEW = 1
Const SCC_COMMAND_GET = 0
Const SCC_PL_DIR = 1

Dim scc, folder, first, second, messageTypes
messageTypes = Array("", "info", "warning", "error", "status")

If WScript.Arguments.Count <> 4 Then
    WScript.Echo "usage: cscript //nologo whole_session.vbs <provider.dll> <folder> <file> <file>"
    WScript.Quit 2
End If
folder = WScript.Arguments(1)
first = folder & "\" & WScript.Arguments(2)
second = folder & "\" & WScript.Arguments(3)

' Stops the script when the provider answered an error (below 0).
Sub Check(what, result)
    WScript.Echo what & " result=" & result
    If result < 0 Then WScript.Quit 1
End Sub

' Prints what the provider wrote since the last call, with its type.
Sub PrintMessages()
    Dim texts, types, count, i
    count = scc.TakeMessages(texts, types)
    For i = 0 To count - 1
        If types(i) >= 1 And types(i) <= 4 Then
            WScript.Echo "  message (" & messageTypes(types(i)) & "): " & texts(i)
        Else
            WScript.Echo "  message (type " & types(i) & "): " & texts(i)
        End If
    Next
End Sub

' Lists the folder: each file the provider reports, and its status word.
Sub ListFolder()
    Dim keep, status, names, given, i
    Check "SccPopulateList", scc.SccPopulateList(SCC_COMMAND_GET, Array(folder), SCC_PL_DIR, _
                                                 keep, status, names, given)
    For i = 0 To UBound(names)
        WScript.Echo "  " & names(i) & " status=" & status(i)
    Next
End Sub

Set scc = CreateObject("PlimoCOMWrapper.TovikPlimoWrapper2")
scc.Init WScript.Arguments(0)

' VBScript hands variables over by reference only as variants, so the typed outputs of
' SccInitialize and SccOpenProject (names, capabilities) do not come back: values are passed,
' CLng(0) for a number, whose 32 bits hold what the provider writes.
Check "SccInitialize", scc.SccInitialize(0, "VBScript", "", CLng(0), "", CLng(0), CLng(0))
Check "SccOpenProject", scc.SccOpenProject(0, "", "demo", folder, "", "", SCC_OP_CREATEIFNEW)
Check "SccAdd", scc.SccAdd(0, Array(first, second), "first version", Array(0, 0), 0)
PrintMessages
ListFolder
Check "SccRemove", scc.SccRemove(0, Array(second), "no longer needed", 0, 0)
PrintMessages
ListFolder
Check "SccCloseProject", scc.SccCloseProject()
Check "SccUninitialize", scc.SccUninitialize()
Set scc = Nothing
