// The official-document cycle of an office page: the document comes from the
// server, opens in Word for revision under the user's name with the revision
// bar, and goes back with its Web page and pictures through the server's
// upload page. Word here is the kit's recording stand-in.
// Usage: document_cycle.js BASE_URL
var base = WScript.Arguments(0);
function say(line) { WScript.Echo(line); }
var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");
ctrl.DownloadWordDoc(base + "/files/myword.doc", "sid=42", "myword.doc");
say("myword.doc downloaded into c:\\temp\\qzdesk: " + ctrl.IsExsitFile("c:\\temp\\qzdesk\\myword.doc"));
ctrl.SetShowToolbar("1");
ctrl.EditWord("myword.doc", "\u5F20\u4E09");  // 张三
say("opened in Word for revision by \u5F20\u4E09, with the floating bar \u516C\u6587\u5904\u7406");
ctrl.SetIntoHtml("1");
say("sending it back, with the Web page Word makes of it:");
ctrl.UploadWordDoc(base + "/pages/upload.jsp", "sid=42", "myword.doc");
say("the Word file stays on the desk: " + ctrl.IsExsitFile("c:\\temp\\qzdesk\\myword.doc"));
say("the Web page and pictures were deleted after sending: " +
    !ctrl.IsExsitFile("c:\\temp\\qzdesk\\myword.htm"));
