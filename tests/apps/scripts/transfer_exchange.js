// Remark data to the office server stand-in and back, through the transfer
// members. Usage: transfer_exchange.js BASE_URL [TRANSCRIPT_PATH]
//   With a transcript path each line is appended to that file (the Windows
//   host prints nothing to a pipe under a Chinese locale).
// UploadFileJava and DeleteFileJava give error-code values, which not every
// script engine can convert; what they did is checked instead.
var failures = 0;
var transcript = WScript.Arguments.length > 1 ? WScript.Arguments(1) : null;

function say(line) {
  if (transcript === null) {
    WScript.Echo(line);
    return;
  }
  var file = new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(transcript, 8, true);
  file.WriteLine(line);
  file.Close();
}

function check(what, got, want) {
  if (got === want) {
    say("ok   " + what);
  } else {
    say("FAIL " + what + ": got " + got + ", want " + want);
    failures++;
  }
}

function raises(what, call) {
  try {
    call();
  } catch (e) {
    say("ok   " + what + " raises: " + e.description);
    return;
  }
  say("FAIL " + what + " does not raise");
  failures++;
}

// The reason after the prefix is the internet layer's own words, which differ
// between desktops.
function raisesStarting(what, prefix, call) {
  try {
    call();
  } catch (e) {
    var text = String(e.description);
    if (text.length > prefix.length && text.substring(0, prefix.length) === prefix) {
      say("ok   " + what + " raises: " + prefix + "...");
    } else {
      say("FAIL " + what + " raises: " + text);
      failures++;
    }
    return;
  }
  say("FAIL " + what + " does not raise");
  failures++;
}

var base = WScript.Arguments(0);
var local = "c:\\transfer_exchange.dat";
var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");

// Before any transfer the upload refuses and writes nothing.
ctrl.Upload(base + "/pages/upload.jsp", "", "transfer_exchange.dat");
check("Upload before a transfer leaves no file", ctrl.IsExsitFile("c:\\temp\\qzdesk\\transfer_exchange.dat"), false);

ctrl.PenColor = 0x00FF00;
ctrl.PenWidth = 4;
ctrl.SaveToFile(local);
check("UploadFileWithCookie posts the remark file",
      ctrl.UploadFileWithCookie(base + "/STORE/Remark.dat?From=Page", "sid42", local), 0);
// Both reach the server's list below; the first one's bytes come back later.
ctrl.UploadFileJava(base + "/store/java.dat?id=5&x=y", local);
ctrl.UploadFileJava(base + "/store/none.dat", local + ".none");

ctrl.PenColor = 0x0000FF;
ctrl.PenWidth = 1;
ctrl.Download(base + "/files/remark.dat", "sid=42");
check("Download brings the uploaded pen colour back", ctrl.PenColor, 0x00FF00);
check("and the pen width", ctrl.PenWidth, 4);

ctrl.PenColor = 0x123456;
raises("Download of a missing file", function () { ctrl.Download(base + "/files/missing.dat", ""); });
raisesStarting("Download cut off midway", "Download failed: ", function () { ctrl.Download(base + "/files/java.dat?fault=reset", ""); });
check("the failed downloads left the document alone", ctrl.PenColor, 0x123456);

ctrl.Download(base + "/files/java.dat", "");
check("the Java upload arrived whole", ctrl.PenColor, 0x00FF00);

check("the local file is there", ctrl.IsExsitFile(local), true);
ctrl.DeleteFileJava(local);
check("DeleteFileJava removes it", ctrl.IsExsitFile(local), false);

if (failures > 0) {
  say(failures + " check(s) failed");
  WScript.Quit(1);
}
say("all checks passed");
