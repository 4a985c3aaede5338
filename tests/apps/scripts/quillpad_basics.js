// What a page relies on from a freshly created signature pad: its folder,
// its scale, saving, clearing and the errors that reach the page. ASCII only.
var failures = 0;

function check(what, got, want) {
  if (got === want) {
    WScript.Echo("ok   " + what);
  } else {
    WScript.Echo("FAIL " + what + ": got " + got + " (" + typeof got + "), want " + want + " (" + typeof want + ")");
    failures++;
  }
}

function raised(action) {
  try {
    action();
  } catch (e) {
    return e;
  }
  return null;
}

var pad = new ActiveXObject("Quillpad.UCQuillpad");

check("SavePath starts empty", pad.SavePath, "");
check("Height is the inner height", pad.Height, 235);
check("Width is the inner width", pad.Width, 396);

pad.Save();
check("Save fills in the default folder", pad.SavePath, "C:\\Temp\\qzdesk\\");
check("strSavePath is the same member", pad.strSavePath, "C:\\Temp\\qzdesk\\");

pad.SavePath = "C:\\Temp\\quillpad_basics";
pad.Clear();
pad.Save();
check("SavePath keeps a folder without a backslash", pad.SavePath, "C:\\Temp\\quillpad_basics");

pad.Height = 100;
pad.Width = 200;
check("Height counts new units", pad.Height, 100);
check("Width counts new units", pad.Width, 200);

var refusals = ["\\\\server\\share", "relative\\folder", "C:\\Temp\\*", "C:\\CON\\", "C:\\Temp\\a?b"];
for (var i = 0; i < refusals.length; i++) {
  var e = raised(function () { pad.SavePath = refusals[i]; });
  check("SavePath refuses " + refusals[i], e !== null && e.number == -2146827908, true);
}
check("a refused SavePath changes nothing", pad.SavePath, "C:\\Temp\\quillpad_basics");
var e = raised(function () { pad.SavePath = "C:\\Temp\\*"; });
WScript.Echo("     SavePath: " + e.number + " " + e.description);

pad.SavePath = "C:\\no_such_parent\\pad";
e = raised(function () { pad.Save(); });
check("Save into a folder that cannot be made raises", e !== null, true);
if (e !== null) WScript.Echo("     Save: " + e.number + " " + e.description);

if (failures > 0) {
  WScript.Echo(failures + " check(s) failed");
  WScript.Quit(1);
}
WScript.Echo("all checks passed");
