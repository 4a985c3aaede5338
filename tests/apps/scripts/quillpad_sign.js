// A page that asks for a signature: the user signs on the new pad before the
// page gets it, then the page saves and names the files. ASCII only.
var pad = new ActiveXObject("Quillpad.UCQuillpad");
WScript.Echo("pad " + pad.Width + " x " + pad.Height + ", folder \"" + pad.SavePath + "\"");
pad.Save();
var folder = pad.SavePath;
WScript.Echo("BMP: " + folder + "\\Quillpad.BMP");
WScript.Echo("JPEG: " + folder + "\\Quillpad.JPG");
