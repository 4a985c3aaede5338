// Files to the office server through its upload page: the remark data, a file
// of the working folder, and one that is not there.
// Usage: form_upload.js BASE_URL [TRANSCRIPT_PATH]
//   With a transcript path each line is appended to that file (the Windows
//   host prints nothing to a pipe under a Chinese locale).
// Upload gives an error-code value, which not every script engine can
// convert; what it did is checked instead.
var base = WScript.Arguments(0);
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

var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");
// Any download opens the transfer gate, even one the server refuses.
try {
  ctrl.Download(base + "/files/none.dat", "");
} catch (e) {
  say("Download of a missing file raises");
}
ctrl.PenColor = 0x00FF00;
ctrl.Upload(base + "/pages/upload.jsp", "sid=42", "remark.dat");
say("the uploaded remark file is gone here: " + !ctrl.IsExsitFile("c:\\temp\\qzdesk\\remark.dat"));
ctrl.PenColor = 0x0000FF;
ctrl.Download(base + "/files/remark.dat", "");
say("the server's copy has the green pen: " + (ctrl.PenColor == 0x00FF00));

ctrl.SaveToFile("c:\\temp\\qzdesk\\note.dat");
say("UploadFile(note.dat): " + ctrl.UploadFile(base + "/pages/upload.jsp", "sid=42", "note.dat"));
say("note.dat is kept here: " + ctrl.IsExsitFile("c:\\temp\\qzdesk\\note.dat"));
say("UploadFile(missing.dat): " + ctrl.UploadFile(base + "/pages/upload.jsp", "", "missing.dat"));
