// A page that loads a Word document into the remark control and then turns
// on remarking in the user's Word, run against the kit's Word stand-in.
// Usage: word_standin.js DOCUMENT_PATH
var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");
var path = WScript.Arguments(0);
try {
  ctrl.LoadDocument(path);
  WScript.Echo("LoadDocument: done");
} catch (e) {
  WScript.Echo("LoadDocument: " + e.message);
}
try {
  WScript.Echo("ReMarkSet(1): " + ctrl.ReMarkSet("1"));
} catch (e) {
  WScript.Echo("ReMarkSet(1): " + e.message);
}
