// What a page relies on from a freshly created remark control. Kept to ASCII
// and WScript only, so it runs the same under the Windows script host.
// Usage: remark_basics.js SAVE_PATH   (a Windows path the control may write)
var failures = 0;

function check(what, got, want) {
  if (got === want) {
    WScript.Echo("ok  ", what);
  } else {
    WScript.Echo("FAIL", what + ": got", got, "(" + typeof got + "), want", want, "(" + typeof want + ")");
    failures++;
  }
}

if (WScript.Arguments.length != 1) {
  WScript.Echo("usage: " + WScript.ScriptName + " SAVE_PATH");
  WScript.Quit(2);
}
var savePath = WScript.Arguments(0);

var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");

check("PenColor is a number", typeof ctrl.PenColor, "number");
ctrl.PenColor = 0x00FF00;
check("PenColor reads back", ctrl.PenColor, 0x00FF00);
ctrl.pencolor = 0x0000FF;
check("pencolor in any case", ctrl.PENCOLOR, 0x0000FF);

check("PenWidth is a number", typeof ctrl.PenWidth, "number");
ctrl.PenWidth = 5;
check("PenWidth reads back", ctrl.PenWidth, 5);

ctrl.Remarker = "\u5F20\u4E09";  // a Chinese name, escaped to stay ASCII
check("Remarker reads back empty", ctrl.Remarker, "");

check("ToolbarHidden reads true", ctrl.ToolbarHidden, true);

check("SaveToFile " + savePath, ctrl.SaveToFile(savePath), 0);
// Loading waits for a transfer, which a new control has not had.
check("LoadFromFile on a new control", ctrl.LoadFromFile(savePath), -1);

var raised = null;
try {
  ctrl.DownloadWordDoc("http://127.0.0.1:9/doc", "", "c:\\remark_basics.doc");
} catch (e) {
  raised = e;
}
check("DownloadWordDoc raises", raised !== null, true);
if (raised !== null) {
  check("its number is a failure HRESULT", typeof raised.number == "number" && raised.number < 0, true);
  check("it has a description", typeof raised.description == "string" && raised.description.length > 0, true);
  WScript.Echo("     DownloadWordDoc:", raised.number, raised.description);
}

if (failures > 0) {
  WScript.Echo(failures, "check(s) failed");
  WScript.Quit(1);
}
WScript.Echo("all checks passed");
