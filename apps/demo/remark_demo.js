// A page's remark set-up: name the remarkers, pick the pen, keep the remark file.
var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");
ctrl.Remarker = "\u5F20\u4E09";  // 张三, escaped so the file reads the same in any code page
ctrl.Remarker = "\u674E\u56DB";  // 李四
ctrl.PenColor = 0x0000FF;
ctrl.PenWidth = 3;
WScript.Echo("pen colour", ctrl.PenColor, "width", ctrl.PenWidth);
var rc = ctrl.SaveToFile("c:\\temp\\qzdesk\\remark.dat");
WScript.Echo("SaveToFile c:\\temp\\qzdesk\\remark.dat returned", rc);
try {
  ctrl.Download("http://127.0.0.1/remark", "");
} catch (e) {
  WScript.Echo("Download is not in this build yet:", e.number, e.description);
}
