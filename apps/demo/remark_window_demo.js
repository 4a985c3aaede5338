// The remark window over a document: the user (remark_window_demo.ui under
// the kit's host) draws a remark, confirms it, prints and closes; the page
// then keeps the remark file.
// Usage: remark_window_demo.js DOCUMENT_PATH
var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");
ctrl.LoadDocument(WScript.Arguments(0));
ctrl.Remarker = "\u5F20\u4E09";  // 张三
ctrl.PenColor = 0x0000FF;
ctrl.PenWidth = 3;
ctrl.OpenRemark(false);
WScript.Echo("OpenRemark: the window was closed");
var rc = ctrl.SaveToFile("c:\\temp\\qzdesk\\remark_window.dat");
WScript.Echo("SaveToFile c:\\temp\\qzdesk\\remark_window.dat returned", rc);
