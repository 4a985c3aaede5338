// What a page relies on from a freshly created signature pad: its folder,
// its scale, saving, clearing and the errors that reach the page. ASCII only.
// Usage: quillpad_basics.js [UNUSED TRANSCRIPT_PATH]
//   With a transcript path the lines go to that file: the Windows host
//   prints nothing to a pipe under a Chinese locale.
var failures = 0;
var transcript = null;
if (WScript.Arguments.length == 2) {
  transcript = new ActiveXObject("Scripting.FileSystemObject").CreateTextFile(WScript.Arguments(1), true);
}

function say(line) {
  if (transcript !== null) {
    transcript.WriteLine(line);
  } else {
    WScript.Echo(line);
  }
}

function finish(code) {
  if (transcript !== null) transcript.Close();
  WScript.Quit(code);
}

function check(what, got, want) {
  if (got === want) {
    say("ok   " + what);
  } else {
    say("FAIL " + what + ": got " + got + " (" + typeof got + "), want " + want + " (" + typeof want + ")");
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
say("     SavePath: " + e.number + " " + e.description);

pad.SavePath = "C:\\no_such_parent\\pad";
e = raised(function () { pad.Save(); });
check("Save into a folder that cannot be made raises", e !== null, true);
if (e !== null) say("     Save: " + e.number + " " + e.description);

if (failures > 0) {
  say(failures + " check(s) failed");
  finish(1);
}
say("all checks passed");
finish(0);
