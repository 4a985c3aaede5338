// Remark data to the office server stand-in and back, through the transfer
// members. Usage: transfer_exchange.js BASE_URL
var failures = 0;

function say(line) { WScript.Echo(line); }

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
check("UploadFileJava posts it again", ctrl.UploadFileJava(base + "/store/java.dat?id=5&x=y", local), 0);
check("UploadFileJava without the file", ctrl.UploadFileJava(base + "/store/none.dat", local + ".none"), -1);

ctrl.PenColor = 0x0000FF;
ctrl.PenWidth = 1;
ctrl.Download(base + "/files/remark.dat", "sid=42");
check("Download brings the uploaded pen colour back", ctrl.PenColor, 0x00FF00);
check("and the pen width", ctrl.PenWidth, 4);

ctrl.PenColor = 0x123456;
raises("Download of a missing file", function () { ctrl.Download(base + "/files/missing.dat", ""); });
raises("Download cut off midway", function () { ctrl.Download(base + "/files/java.dat?fault=reset", ""); });
check("the failed downloads left the document alone", ctrl.PenColor, 0x123456);

ctrl.Download(base + "/files/java.dat", "");
check("the Java upload arrived whole", ctrl.PenColor, 0x00FF00);

check("DeleteFileJava", ctrl.DeleteFileJava(local), 1);
check("the local file is gone", ctrl.IsExsitFile(local), false);

if (failures > 0) {
  say(failures + " check(s) failed");
  WScript.Quit(1);
}
say("all checks passed");
