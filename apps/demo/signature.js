// A page asking for the approver's signature: the pad opens, the user signs
// (apps/demo/signature.ui), and the page saves the picture as BMP and JPEG.
var pad = new ActiveXObject("Quillpad.UCQuillpad");
WScript.Echo("signature pad " + pad.Width + " x " + pad.Height + ", saving into " + pad.SavePath);
pad.Save();
WScript.Echo("saved: " + pad.SavePath + "Quillpad.BMP and " + pad.SavePath + "Quillpad.JPG");
