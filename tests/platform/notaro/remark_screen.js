// The remark window on a real display: the page loads remark data with
// pages, opens the window and, once the user has closed it, saves what the
// user drew. Usage: remark_screen.js IN_PATH OUT_PATH TRANSCRIPT_PATH
var fso = new ActiveXObject("Scripting.FileSystemObject");
var input = WScript.Arguments(0), output = WScript.Arguments(1), transcript = WScript.Arguments(2);

function say(line) {
  var file = fso.OpenTextFile(transcript, 8, true);
  file.WriteLine(line);
  file.Close();
}

var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");
// A download, even one that fails, lets the page load and open remarks.
try {
  ctrl.Download("http://127.0.0.1:9/none.dat", "");
} catch (e) {
}
ctrl.LoadFromFile(input);
ctrl.Remarker = "A";
ctrl.PenColor = 0xFF0000;
ctrl.PenWidth = 4;
ctrl.OpenRemark(false);
say("OpenRemark: the window was closed");
ctrl.SaveToFile(output);
say("the stroke was kept: " + (fso.GetFile(output).Size > fso.GetFile(input).Size));
