// A page that opens the remark window over a loaded document and saves what
// the user wrote in it. Under the kit's host the user is the UI event script
// given with --ui (remark_window.ui); without a server the host opens the
// transfer gate itself (--transfer-ready).
// Usage: remark_window.js DOCUMENT_PATH SAVE_PATH
var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");
ctrl.LoadDocument(WScript.Arguments(0));
ctrl.Remarker = "A";
ctrl.OpenRemark(false);
WScript.Echo("OpenRemark: the window was closed");
WScript.Echo("PenWidth chosen in the window: " + ctrl.PenWidth);
WScript.Echo("PenColor chosen in the window: " + ctrl.PenColor);
ctrl.SaveToFile(WScript.Arguments(1));
WScript.Echo("SaveToFile: done");
