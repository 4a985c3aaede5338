// A day at a desk with the controls' windows, as a page script under the
// kit's host: the remark data comes from the server, 张三 remarks it in the
// remark window (the user of desk_day.ui), the remarks go back through the
// upload page and a file that is not there is refused with a message box;
// then the user signs on the pad (quillpad_sign.ui), the page saves the
// picture and posts the JPEG through the upload page. The same steps through
// notaro.js are deskDay() in remark_exchange.html.
// Usage: desk_day.js BASE_URL
var base = WScript.Arguments(0);
function say(line) { WScript.Echo(line); }

var desk = new ActiveXObject("Notaro.NotaroCtrl.1");
say("Download: " + desk.Download(base + "/files/seed.dat", "sid=42"));
desk.Remarker = "\u5F20\u4E09";  // 张三
desk.OpenRemark(false);
say("OpenRemark returned: PenWidth " + desk.PenWidth);
say("Upload: " + desk.Upload(base + "/pages/upload.jsp", "sid=42", "desk.dat"));
say("UploadFile of a file not there: " + desk.UploadFile(base + "/pages/upload.jsp", "sid=42", "missing.dat"));
var pad = new ActiveXObject("Quillpad.UCQuillpad");
pad.Save();
say("Save: " + pad.SavePath);
say("UploadFile: " + desk.UploadFile(base + "/pages/upload.jsp", "sid=42", "Quillpad.JPG"));
