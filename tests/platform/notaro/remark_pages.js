// Captures a document's pages and saves them as remark data, for the
// screenshot test's window to show. Usage: remark_pages.js DOCUMENT SAVE_PATH
var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");
ctrl.LoadDocument(WScript.Arguments(0));
ctrl.SaveToFile(WScript.Arguments(1));
WScript.Echo("saved");
