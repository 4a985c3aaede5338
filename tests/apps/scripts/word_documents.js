// A page that puts an official document into the working folder, opens it
// for revision in Word, merges and fills bookmarks, and switches the revision
// commands, run against the kit's Word stand-in.
var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");
function Try(what, f) {
  try {
    WScript.Echo(what + ": " + f());
  } catch (e) {
    WScript.Echo(what + ": error: " + e.message);
  }
}
Try("EditWord before any download", function () { return ctrl.EditWord("notice.doc", "\u5f20\u4e09"); });
Try("NewWordDoc", function () { return ctrl.NewWordDoc(""); });
Try("DownloadWordDoc", function () { return ctrl.DownloadWordDoc("http://127.0.0.1:9/notice.doc", "", "notice.doc"); });
Try("Savehtm", function () { return ctrl.Savehtm(""); });
Try("SetShowToolbar", function () { return ctrl.SetShowToolbar("1"); });
Try("EditWord", function () { return ctrl.EditWord("notice.doc", "\u5f20\u4e09"); });
Try("SetOnlyRead", function () { return ctrl.SetOnlyRead("1"); });
Try("SetNoShowMark", function () { return ctrl.SetNoShowMark(); });
Try("EditWord read only", function () { return ctrl.EditWord("notice.doc", "\u674e\u56db"); });
Try("UniteWord", function () { return ctrl.UniteWord("notice.doc", "\u6b63\u6587", "part.doc"); });
Try("SetBookMark", function () { return ctrl.SetBookMark("notice.doc", "\u6807\u9898", "\u5173\u4e8e\u5e74\u7ec8\u68c0\u67e5\u7684\u901a\u77e5"); });
Try("SetEditEnabled", function () { return ctrl.SetEditEnabled("blank.doc", "\u5f20\u4e09", "0"); });
Try("EditWord of a missing document", function () { return ctrl.EditWord("missing.doc", "\u5f20\u4e09"); });
Try("EditWord outside the folder", function () { return ctrl.EditWord("..\\..\\boot.ini", "\u5f20\u4e09"); });
