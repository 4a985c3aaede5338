// The remark exchange of a page, as a page script under the kit's host; the
// same steps in a browser through notaro.js are in remark_exchange.html.
// Usage: remark_exchange.js BASE_URL
var base = WScript.Arguments(0);
function say(line) { WScript.Echo(line); }

var c = new ActiveXObject("Notaro.NotaroCtrl.1");
say("Download: " + c.Download(base + "/files/seed.dat", "sid=42"));
c.Remarker = "\u5F20\u4E09";  // 张三
c.PenWidth = 3;
say("PenWidth: " + c.PenWidth);
say("SaveToFile: " + c.SaveToFile("c:\\saved.dat"));
c.Remarker = "\u738B\u4E94";  // 王五, gone again with the load
say("LoadFromFile: " + c.LoadFromFile("c:\\saved.dat"));
c.Remarker = "\u674E\u56DB";  // 李四
c.PenColor = 0x0000FF;
say("Upload: " + c.Upload(base + "/pages/upload.jsp", "sid=42", "exchange.dat"));
say("GetFilesSize: " + c.GetFilesSize("c:\\saved.dat*"));
say("Remarker reads: [" + c.Remarker + "]");
try {
  c.SaveToFile("c:\\no folder\\x.dat");
} catch (e) {
  say("SaveToFile into a missing folder: " + e.number + " " + e.description);
}
