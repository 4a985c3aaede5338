// A day at an office desk, as the office web pages drive the remark control:
// the notice arrives from the office server, 张三 remarks it in the remark
// window, the remarks go back through the upload page, and 李四 opens them.
// Usage: office_day.js BASE_URL
var base = WScript.Arguments(0);
function say(line) { WScript.Echo(line); }

say("== 1. The notice comes from the office server");
var desk = new ActiveXObject("Notaro.NotaroCtrl.1");
desk.DownloadWordDoc(base + "/files/notice.doc", "sid=42", "notice.doc");
say("c:\\temp\\qzdesk\\notice.doc is there: " + desk.IsExsitFile("c:\\temp\\qzdesk\\notice.doc"));

say("== 2. Its pages are captured from the office suite");
desk.LoadDocument("c:\\temp\\qzdesk\\notice.doc");
say("pages loaded; the remark window opens for \u5F20\u4E09");  // 张三
desk.Remarker = "\u5F20\u4E09";
desk.OpenRemark(false);
say("the window was closed; pen colour " + desk.PenColor + ", width " + desk.PenWidth);

say("== 3. The remarks go back through the upload page");
desk.Upload(base + "/pages/upload.jsp", "sid=42", "notice.dat");

say("== 4. \u674E\u56DB opens the remarked notice");  // 李四
var reviewer = new ActiveXObject("Notaro.NotaroCtrl.1");
reviewer.Download(base + "/files/notice.dat", "sid=42");
reviewer.Remarker = "\u674E\u56DB";
reviewer.SaveToFile("c:\\temp\\qzdesk\\notice_reviewed.dat");
say("a copy for the record: c:\\temp\\qzdesk\\notice_reviewed.dat");
