// A page that opens the remark window on a control without pages; the user
// loads the source document in the window (the UI events are written by the
// test, since they name the document).
var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");
ctrl.OpenRemark(false);
WScript.Echo("OpenRemark: the window was closed");
