// Both controls under the site lock: on a page the lock answers they work as
// ever; on any other page every member raises "access denied" and nothing is
// written. The same script, run with different pages, gives one transcript
// for each verdict. ASCII only.
// Usage: site_lock.js
var pad = new ActiveXObject("Quillpad.UCQuillpad");
var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");

function attempt(what, action) {
  var result;
  try {
    result = action();
  } catch (e) {
    WScript.Echo(what + ": error " + e.number + " " + e.description);
    return;
  }
  WScript.Echo(what + ": " + (result === undefined ? "done" : result));
}

attempt("pad.SavePath = C:\\site_lock", function () { pad.SavePath = "C:\\site_lock"; });
attempt("pad.Save()", function () { pad.Save(); });
attempt("pad.Height", function () { return pad.Height; });
attempt("ctrl.PenWidth = 3", function () { ctrl.PenWidth = 3; });
attempt("ctrl.PenWidth", function () { return ctrl.PenWidth; });
attempt("ctrl.SaveToFile(c:\\site_lock\\remark.dat)", function () { ctrl.SaveToFile("c:\\site_lock\\remark.dat"); });
attempt("ctrl.IsExsitFile(c:\\site_lock\\Quillpad.BMP)",
        function () { return ctrl.IsExsitFile("c:\\site_lock\\Quillpad.BMP"); });
attempt("ctrl.DeleteFileJava(c:\\seed.txt)", function () { ctrl.DeleteFileJava("c:\\seed.txt"); });
attempt("ctrl.IsExsitFile(c:\\seed.txt)", function () { return ctrl.IsExsitFile("c:\\seed.txt"); });
attempt("ctrl.NoSuchMember()", function () { ctrl.NoSuchMember(); });
