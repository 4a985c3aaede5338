// What a page relies on from a freshly created remark control. Kept to ASCII
// and to what both script hosts offer, so that it runs unchanged under the
// kit's host and the Windows script host, and their transcripts can be
// compared line for line.
// Usage: remark_basics.js SAVE_PATH [TRANSCRIPT_PATH]
//   Without a transcript path the lines go to standard output. The Windows
//   host prints nothing to a pipe under a Chinese locale, so there they go
//   to a file.
// Results of the SCODE methods are error-code values, which not every
// script engine can convert; the checks look at their effects instead.
var failures = 0;
var transcript = null;

function say(line) {
  if (transcript !== null) {
    transcript.WriteLine(line);
  } else {
    WScript.Echo(line);
  }
}

function check(what, got, want) {
  if (got === want) {
    say("ok   " + what);
  } else {
    say("FAIL " + what + ": got " + got + " (" + typeof got + "), want " + want + " (" + typeof want + ")");
    failures++;
  }
}

function finish(code) {
  if (transcript !== null) transcript.Close();
  WScript.Quit(code);
}

if (WScript.Arguments.length < 1 || WScript.Arguments.length > 2) {
  WScript.Echo("usage: " + WScript.ScriptName + " SAVE_PATH [TRANSCRIPT_PATH]");
  WScript.Quit(2);
}
var savePath = WScript.Arguments(0);
if (WScript.Arguments.length == 2) {
  transcript = new ActiveXObject("Scripting.FileSystemObject").CreateTextFile(WScript.Arguments(1), true);
}

var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");

check("PenColor is a number", typeof ctrl.PenColor, "number");
check("PenColor starts red", ctrl.PenColor, 0x0000FF);
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

ctrl.SaveToFile(savePath);
// Loading waits for a transfer, which a new control has not had: the pen
// stays what it is now, not what the file holds.
ctrl.PenColor = 0x123456;
ctrl.LoadFromFile(savePath);
check("LoadFromFile on a new control changes nothing", ctrl.PenColor, 0x123456);

var raised = null;
try {
  // One argument short.
  ctrl.DownloadWordDoc("http://127.0.0.1:9/doc", "");
} catch (e) {
  raised = e;
}
check("DownloadWordDoc raises", raised !== null, true);
if (raised !== null) {
  // The dispatch layer refuses the call itself, so only the code is given.
  check("its number is the bad parameter count", raised.number, -2147352562);
}

if (failures > 0) {
  say(failures + " check(s) failed");
  finish(1);
}
say("all checks passed");
finish(0);
