// The document cycle of an office page: the official document comes from the
// server, opens in Word for revision, and goes back with its Web page and
// pictures through the server's upload page. Usage: word_cycle.js BASE_URL
var base = WScript.Arguments(0);
var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");
ctrl.DownloadWordDoc(base + "/files/myword.doc", "sid=42", "myword.doc");
WScript.Echo("downloaded: " + ctrl.IsExsitFile("c:\\temp\\qzdesk\\myword.doc"));
ctrl.SetShowToolbar("1");
ctrl.EditWord("myword.doc", "\u5f20\u4e09");
WScript.Echo("opened for revision");
ctrl.SetIntoHtml("1");
ctrl.UploadWordDoc(base + "/pages/upload.jsp", "sid=42", "myword.doc");
WScript.Echo("Word file kept: " + ctrl.IsExsitFile("c:\\temp\\qzdesk\\myword.doc"));
WScript.Echo("Web page kept: " + ctrl.IsExsitFile("c:\\temp\\qzdesk\\myword.htm"));
WScript.Echo("pictures kept: " + ctrl.IsExsitFile("c:\\temp\\qzdesk\\myword.files\\image001.jpg"));
// What the server filed, fetched back.
ctrl.DownloadWordGW(base + "/files/myword.htm", "", "myword.htm");
ctrl.DownloadWordGW(base + "/files/image002.jpg", "", "image002.jpg");
WScript.Echo("server has the page: " + ctrl.IsExsitFile("c:\\temp\\qzexch\\myword.htm"));
WScript.Echo("server has the second picture: " + ctrl.IsExsitFile("c:\\temp\\qzexch\\image002.jpg"));
// Only the Word file when the page wants no Web page; the page and pictures
// made and kept on the desk with "2".
ctrl.SetIntoHtml("0");
ctrl.UploadWordDoc(base + "/pages/upload.jsp", "sid=42", "myword.doc");
WScript.Echo("with 0, a Web page made: " + ctrl.IsExsitFile("c:\\temp\\qzdesk\\myword.htm"));
ctrl.SetIntoHtml("2");
ctrl.UploadWordDoc(base + "/pages/upload.jsp", "sid=42", "myword.doc");
WScript.Echo("with 2, the Web page kept: " + ctrl.IsExsitFile("c:\\temp\\qzdesk\\myword.htm"));
WScript.Echo("with 2, the pictures kept: " + ctrl.IsExsitFile("c:\\temp\\qzdesk\\myword.files\\image002.jpg"));
