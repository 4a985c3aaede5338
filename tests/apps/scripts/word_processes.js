// The Word process members as a page uses them on a desktop without Word:
// nothing to find, nothing to end, and ReMarkSet tells the user why.
// Usage: word_processes.js [TRANSCRIPT_PATH]
//   With a transcript path each line is appended to that file (the Windows
//   host prints nothing to a pipe under a Chinese locale).
// KillWordPro and ReMarkSet give error-code values, which not every script
// engine can convert; their effects are what is looked at.
var transcript = WScript.Arguments.length > 0 ? WScript.Arguments(0) : null;

function say(line) {
  if (transcript === null) {
    WScript.Echo(line);
    return;
  }
  var file = new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(transcript, 8, true);
  file.WriteLine(line);
  file.Close();
}

var ctrl = new ActiveXObject("Notaro.NotaroCtrl.1");
say("IsHaveWordPro(WINWORD.EXE): " + ctrl.IsHaveWordPro("WINWORD.EXE"));
ctrl.KillWordPro("WINWORD.EXE");
say("after KillWordPro(WINWORD.EXE), IsHaveWordPro: " + ctrl.IsHaveWordPro("WINWORD.EXE"));
ctrl.ReMarkSet("0");
say("ReMarkSet(0) returned");
