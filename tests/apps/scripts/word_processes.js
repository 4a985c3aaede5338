// The Word process members as a page uses them on a desktop without Word:
// nothing to find, nothing to end, and ReMarkSet tells the user why.
var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");
WScript.Echo("IsHaveWordPro(WINWORD.EXE): " + ctrl.IsHaveWordPro("WINWORD.EXE"));
WScript.Echo("KillWordPro(WINWORD.EXE): " + ctrl.KillWordPro("WINWORD.EXE"));
WScript.Echo("ReMarkSet(0): " + ctrl.ReMarkSet("0"));
