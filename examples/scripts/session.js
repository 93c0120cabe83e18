// A provider session through PlimoCOMWrapper from JScript, late bound through IDispatch.
// Usage: cscript //nologo session.js <full path of the provider DLL>
//
// JScript passes every argument by value: in/out and out parameters can be given, but what the
// provider writes into them does not come back. Each method's value is the provider's result
// code; a failure of the bridge itself raises an exception carrying its HRESULT.
var args = WScript.Arguments;
if (args.length != 1) {
    WScript.Echo("usage: cscript //nologo session.js <provider.dll>");
    WScript.Quit(2);
}
var provider = args(0);

function hex(number) {
    return "0x" + (number < 0 ? number + 0x100000000 : number).toString(16).toUpperCase();
}

var scc = new ActiveXObject("PlimoCOMWrapper.TovikPlimoWrapper");
scc.Init(provider);
WScript.Echo("Init " + provider);

var result = scc.SccInitialize(0, "JScript", "", 0, "", 0, 0);
WScript.Echo("SccInitialize result=" + result);
WScript.Echo("SccGetVersion result=" + scc.SccGetVersion());
WScript.Echo("SccSetOption result=" + scc.SccSetOption(7, 1));
WScript.Echo("SccGetCommandOptions result=" + scc.SccGetCommandOptions(0, 3));
WScript.Echo("SccBeginBatch result=" + scc.SccBeginBatch());
WScript.Echo("SccEndBatch result=" + scc.SccEndBatch());

// File lists must be typed arrays of strings (VT_ARRAY | VT_BSTR), which JScript cannot build:
// its arrays are objects, and even a VBArray-style array holds variants. Such lists are refused
// with E_INVALIDARG.
try {
    scc.SccQueryInfo(["C:\\work\\a.txt"], null);
    WScript.Echo("SccQueryInfo with a script array: accepted");
} catch (e) {
    WScript.Echo("SccQueryInfo with a script array: error " + hex(e.number));
}

WScript.Echo("SccUninitialize result=" + scc.SccUninitialize());
scc = null;
