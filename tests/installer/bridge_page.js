// Pages' requests to the bridge from a program of this desktop's user, as a
// browser on it makes them: bridge_page.js PORT ORIGIN... prints, for each
// origin, the status and the start of the answer to creating the remark
// control.
var port = WScript.Arguments(0);
for (var i = 1; i < WScript.Arguments.length; i++) {
  var r = new ActiveXObject("WinHttp.WinHttpRequest.5.1");
  r.Open("POST", "http://127.0.0.1:" + port + "/create", false);
  r.SetRequestHeader("Origin", WScript.Arguments(i));
  r.SetRequestHeader("Content-Type", "application/json");
  r.Send('{"progid":"Notaro.NotaroCtrl.1"}');
  WScript.Echo(WScript.Arguments(i) + " " + r.Status + " " + r.ResponseText.substring(0, 80));
}
