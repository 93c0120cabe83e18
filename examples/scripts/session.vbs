' A provider session through PlimoCOMWrapper from VBScript, late bound through IDispatch.
' Usage: cscript //nologo session.vbs <full path of the provider DLL>
'
' Every method returns the provider's own result code as its value; a failure of the bridge
' itself (a bad argument, no provider bound) raises a script error carrying its HRESULT.
'
' VBScript hands variables over by reference only as variants, so it cannot receive the typed
' outputs of SccInitialize (provider name, label, capabilities) or the cookie of
' SccGetCommandOptionsByRef: such a call fails with "Type mismatch". Values are passed instead,
' and only the result code comes back. A value passed for a number the provider writes must be
' able to hold it: CLng(0), not 0, which VBScript makes a 16-bit integer that capabilities
' overflow.
Option Explicit

Dim scc, provider

If WScript.Arguments.Count <> 1 Then
    WScript.Echo "usage: cscript //nologo session.vbs <provider.dll>"
    WScript.Quit 2
End If
provider = WScript.Arguments(0)

Set scc = CreateObject("PlimoCOMWrapper.TovikPlimoWrapper")
scc.Init provider
WScript.Echo "Init " & provider

WScript.Echo "SccInitialize result=" & scc.SccInitialize(0, "VBScript", "", CLng(0), "", CLng(0), CLng(0))
WScript.Echo "SccGetVersion result=" & scc.SccGetVersion()
WScript.Echo "SccSetOption result=" & scc.SccSetOption(7, 1)
WScript.Echo "SccGetCommandOptions result=" & scc.SccGetCommandOptions(0, 3)
WScript.Echo "SccBeginBatch result=" & scc.SccBeginBatch()
WScript.Echo "SccEndBatch result=" & scc.SccEndBatch()

' File lists must be typed arrays of strings (VT_ARRAY | VT_BSTR). A VBScript array is an
' array of variants (VT_ARRAY | VT_VARIANT), which the bridge refuses with E_INVALIDARG; the
' script engine reports that HRESULT as its own error 5, "Invalid procedure call or argument".
On Error Resume Next
scc.SccQueryInfo Array("C:\work\a.txt"), Empty
WScript.Echo "SccQueryInfo with a script array: error " & Err.Number
Err.Clear
On Error GoTo 0

WScript.Echo "SccUninitialize result=" & scc.SccUninitialize()
Set scc = Nothing
