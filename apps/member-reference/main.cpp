// member-reference --lang zh|en: the page authors' reference of both
// controls' members, in Markdown on standard output, read from the dispatch
// tables the controls answer by. Only the one line of what a member does is
// written here; a member without one, or a line for a member the tables do
// not have, fails the build.
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "ports/automation.h"
#include "remark/notaro_ctrl.h"
#include "remark/notaro_module.h"
#include "sigpad/quillpad_ctrl.h"
#include "sigpad/quillpad_module.h"
#include "sitelock/site_lock.h"

namespace {

using kit::automation::DispatchTable;
using kit::automation::MemberInfo;
using kit::automation::MemberKind;
using kit::automation::VarType;

struct Line {
  const char* zh;
  const char* en;
};

const std::map<std::string, Line>& NotaroLines() {
  static const std::map<std::string, Line> lines = {
      {"PenColor", {"新笔迹的颜色（COLORREF，红色在最低字节）。", "Colour of new strokes (a COLORREF, red in the lowest byte)."}},
      {"PenWidth",
       {"新笔迹的宽度；只接受 1 到 6，其他值不改变宽度。",
        "Width of new strokes; only 1 to 6 is taken, other values leave it."}},
      {"ToolbarHidden",
       {"读出总是 TRUE；写入只记入批注数据的标志。",
        "Always reads TRUE; a put only sets a flag kept in the remark data."}},
      {"Remarker",
       {"写入时按姓名选定（或新增）当前批注人；读出总是空串。",
        "A put selects (or adds) the current remarker by name; reads give an empty string."}},
      {"ReadOnly",
       {"批注只读：批注窗口中不能落笔（不限制脚本调用的方法）。",
        "Remark is read-only: nothing can be drawn in the remark window (methods are not guarded)."}},
      {"ActiveInPlace", {"读出总是 TRUE；写入不起作用。", "Always reads TRUE; a put has no effect."}},
      {"LoadDocument",
       {"把 Word 或 WPS 文档文件逐页截成图片，作为批注的页面。",
        "Captures each page of a Word or WPS document file as the remark's pages."}},
      {"DeleteLastStroke", {"删除当前页最后一笔未确认的笔迹。", "Deletes the last unconfirmed stroke of the current page."}},
      {"DeleteUnconfirmedStrokes", {"删除所有页上未确认的笔迹。", "Deletes the unconfirmed strokes of every page."}},
      {"ConfirmRemark", {"确认所有页上的全部笔迹。", "Confirms every stroke on every page."}},
      {"SetSelRemarker",
       {"批注窗口打开时选择显示谁的批注（-1 全部，-2 都不显示，n 第 n 位批注人）。",
        "While the remark window is open, chooses whose remarks show (-1 all, -2 none, n remarker n)."}},
      {"OpenRemark",
       {"在单独的模态窗口中打开批注；须先调用过传输方法。",
        "Opens the remark in a separate modal window; a transfer method must have run first."}},
      {"LoadObject",
       {"把已打开的 Word 文档对象逐页截成图片，作为批注的页面。",
        "Captures each page of an open Word document object as the remark's pages."}},
      {"SaveToFile", {"把批注数据写入本地文件。", "Writes the remark data to a local file."}},
      {"LoadFromFile",
       {"从本地文件读入批注数据；须先调用过传输方法。",
        "Reads the remark data from a local file; a transfer method must have run first."}},
      {"Download", {"从服务器下载批注数据，替换当前批注。", "Downloads remark data from the server in place of the current remark."}},
      {"Upload",
       {"把批注数据存为工作目录中的文件，经服务器的上传页面发送。",
        "Stores the remark data as a file in the working folder and posts it through the server's upload page."}},
      {"DownloadWordDoc",
       {"把文档下载到工作目录 `c:\\temp\\qzdesk`。",
        "Downloads a document into the working folder `c:\\temp\\qzdesk`."}},
      {"DownloadWordFile", {"把文档下载到给定的完整路径。", "Downloads a document to the full path given."}},
      {"DownloadWordGW", {"把文档下载到 `c:\\temp\\qzexch`。", "Downloads a document into `c:\\temp\\qzexch`."}},
      {"UploadWordDoc",
       {"上传工作目录中的 Word 文档，并按 SetIntoHtml 的设定另存网页及其图片一并上传。",
        "Uploads a Word document of the working folder and, as SetIntoHtml says, its Web page and pictures."}},
      {"NewWordDoc", {"不做事，只报告是否已调用过传输方法。", "Does nothing but report whether a transfer method has run."}},
      {"EditWordInit", {"在新的 Word 中打开工作目录中的文档。", "Opens a document of the working folder in a new Word."}},
      {"EditWord",
       {"以给定用户名在 Word 中打开文档并跟踪修订。",
        "Opens a document in Word under the given user name with revisions tracked."}},
      {"ReMarkSet",
       {"启用（\"0\" 以外）或禁用（\"0\"）正在运行的 Word 的修订命令。",
        "Enables (anything but \"0\") or disables (\"0\") the revision commands of the running Word."}},
      {"KillWordPro", {"结束所有给定可执行文件名的进程。", "Ends every process with the given executable file name."}},
      {"IsHaveWordPro", {"是否有给定可执行文件名的进程在运行。", "Whether a process with the given executable file name runs."}},
      {"SetEditEnabled",
       {"在 Word 中打开文档，按标志启用或禁用修订命令（结果总是 FALSE）。",
        "Opens a document in Word and enables or disables its revision commands by the flag (always FALSE)."}},
      {"Savehtm", {"不做事，只报告是否已调用过传输方法。", "Does nothing but report whether a transfer method has run."}},
      {"SetOnlyRead",
       {"设定 EditWord 是否打开受保护的副本（\"1\" 是）。",
        "Sets whether EditWord opens a protected scratch copy (\"1\")."}},
      {"SetIntoHtml",
       {"设定 UploadWordDoc 是否另存网页（\"0\" 不存，\"1\" 存并上传，其他值只存不传）。",
        "Sets whether UploadWordDoc exports a Web page (\"0\" no, \"1\" and uploads it, other values export only)."}},
      {"SetBookMark", {"把文档中给定名称的书签文字换成给定内容。", "Replaces the text of the named bookmarks of a document."}},
      {"SetShowMark",
       {"设定 EditWord 是否显示并打印修订（\"1\" 是）。",
        "Sets whether EditWord shows and prints revisions (\"1\")."}},
      {"SetShowToolbar",
       {"设定 EditWord 是否加上“公文处理”浮动工具栏（\"1\" 是）。",
        "Sets whether EditWord adds the floating bar \"公文处理\" (\"1\")."}},
      {"SetNoShowMark", {"设定 EditWord 既不显示也不打印修订。", "Makes EditWord neither show nor print revisions."}},
      {"UniteWord", {"把一个文档的内容粘贴到另一文档给定名称的书签处。", "Pastes one document's content at the named bookmarks of another."}},
      {"UploadFile",
       {"经服务器的上传页面上传工作目录中的文件。",
        "Posts a file of the working folder through the server's upload page."}},
      {"UploadFileJava", {"把本地文件作为请求正文发到给定地址。", "Posts a local file as the body of a request to the given address."}},
      {"DeleteFileJava", {"删除本地文件。", "Deletes a local file."}},
      {"OpenFile", {"用桌面为该类文件关联的程序打开文件。", "Opens a file with the program the desktop associates with it."}},
      {"UploadFileWithCookie",
       {"带上 Cookie，把本地文件作为请求正文发到给定地址。",
        "Posts a local file as the body of a request with the given cookie."}},
      {"GetSaveFilePath",
       {"让用户选择保存目录，返回以反斜杠结尾的路径；取消时为空串。",
        "Lets the user choose a folder; returns it ending in a backslash, empty when cancelled."}},
      {"GetUploadFilePath",
       {"让用户选择要上传的文件，返回以“;”连接的完整路径；取消时为空串。",
        "Lets the user choose files; returns their full paths joined by \";\", empty when cancelled."}},
      {"GetFilesSize",
       {"返回列表中文件的总字节数（每个路径后跟“*”，按 \"%f\" 格式）。",
        "Returns the total size of the listed files (each path followed by \"*\", formatted \"%f\")."}},
      {"IsExsitFile", {"文件能否以只读方式打开。", "Whether the file can be opened for reading."}},
  };
  return lines;
}

const std::map<std::string, Line>& QuillpadLines() {
  static const std::map<std::string, Line> lines = {
      {"strSavePath",
       {"工作目录；为空时保存到 `C:\\Temp\\qzdesk\\`。",
        "The working folder; when empty, saving uses `C:\\Temp\\qzdesk\\`."}},
      {"Height", {"控件内部坐标的高度；写入改变刻度而不改变大小。", "Inner scale height; a put changes the scale, not the size."}},
      {"Width", {"控件内部坐标的宽度；写入改变刻度而不改变大小。", "Inner scale width; a put changes the scale, not the size."}},
      {"SavePath", {"与 strSavePath 是同一个工作目录。", "The same working folder as strSavePath."}},
      {"Save",
       {"把画板存为工作目录中的 `Quillpad.BMP` 和 `Quillpad.JPG`。",
        "Saves the drawing as `Quillpad.BMP` and `Quillpad.JPG` in the working folder."}},
      {"Clear", {"清空画板和撤消历史。", "Clears the pad and its undo history."}},
  };
  return lines;
}

const char* TypeName(VarType t) {
  switch (t) {
    case VarType::Empty: return "";
    case VarType::I2: return "short";
    case VarType::I4: return "long";
    case VarType::R8: return "double";
    case VarType::Bstr: return "BSTR";
    case VarType::Dispatch: return "IDispatch";
    case VarType::Error: return "SCODE";
    case VarType::Bool: return "BOOL";
    case VarType::Variant: return "VARIANT";
  }
  return "?";
}

struct Control {
  const char* name;
  const char* progid;
  const char* clsid;
  const char* interface_name;
  const DispatchTable& table;
  const std::map<std::string, Line>& lines;
};

bool Table(std::ostream& out, const Control& c, bool zh) {
  bool complete = true;
  for (const auto& [name, line] : c.lines) {
    if (!c.table.IdOfName(name)) {
      std::cerr << "member-reference: " << c.name << " has no member " << name << std::endl;
      complete = false;
    }
  }
  out << "## " << c.name << "\n\n";
  if (zh) {
    out << "ProgID `" << c.progid << "`，CLSID `" << c.clsid << "`，调度接口 `" << c.interface_name << "`。\n\n";
  } else {
    out << "ProgID `" << c.progid << "`, CLSID `" << c.clsid << "`, dispatch interface `" << c.interface_name
        << "`.\n\n";
  }
  out << (zh ? "| 名称 | DISPID | 类别 | 参数 | 结果 | 说明 |\n" : "| Name | DISPID | Kind | Parameters | Result | What it does |\n");
  out << "|---|---|---|---|---|---|\n";
  for (const MemberInfo& m : c.table.members()) {
    const auto line = c.lines.find(m.name);
    if (line == c.lines.end()) {
      std::cerr << "member-reference: " << c.name << "." << m.name << " has no line of what it does" << std::endl;
      complete = false;
      continue;
    }
    std::string params;
    for (const auto& p : m.params) {
      if (!params.empty()) params += ", ";
      params += std::string(TypeName(p.type)) + " `" + p.name + "`";
    }
    const bool property = m.kind == MemberKind::Property;
    const char* kind = property ? (zh ? "属性（读写）" : "property (read/write)") : (zh ? "方法" : "method");
    std::string result = TypeName(m.result);
    if (result.empty()) result = zh ? "无" : "none";
    out << "| `" << m.name << "` | " << m.dispid << " | " << kind << " | " << params << " | " << result << " | "
        << (zh ? line->second.zh : line->second.en) << " |\n";
  }
  out << "\n";
  return complete;
}

}  // namespace

int main(int argc, char** argv) {
  static const char kUsage[] = "usage: member-reference --lang zh|en\n"
                               "  writes the controls' member reference in Chinese or English\n";
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  const std::string lang = argc == 3 && std::string(argv[1]) == "--lang" ? argv[2] : "";
  if (lang != "zh" && lang != "en") {
    std::cerr << kUsage;
    return 2;
  }
  const bool zh = lang == "zh";
  const Control controls[] = {
      {"Notaro", kit::remark::kNotaroProgId, kit::remark::kNotaroClsid, "_DNotaro",
       kit::remark::CNotaroCtrl::DispatchMap(), NotaroLines()},
      {"Quillpad", kit::sigpad::kQuillpadProgId, kit::sigpad::kQuillpadClsid, "_UCQuillpad",
       kit::sigpad::UCQuillpad::DispatchMap(), QuillpadLines()},
  };
  std::ostringstream out;
  const int code = kit::sitelock::kAccessDenied;
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
  if (zh) {
    out << "<!-- 由 apps/member-reference 从控件的调度表生成，请勿手工修改。 -->\n"
        << "# 控件成员参考\n\n"
        << "页面脚本按下表调用两个控件的成员。DISPID 是成员在调度接口中的编号；"
        << "字符串参数和结果都是系统代码页（936）中的文字；SCODE 结果是错误码值，0 表示成功，-1 表示控件未就绪或某一步失败。\n\n"
        << "只有站点锁放行的页面才能使用控件（见 [站点锁与站点列表](site-list.md)）。"
        << "不被放行的页面调用任何成员都会得到自动化错误 " << code << "（" << hex << "），说明为“"
        << kit::sitelock::kAccessDeniedText << "”，控件什么也不做。\n\n";
  } else {
    out << "<!-- Generated by apps/member-reference from the controls' dispatch tables; do not edit. -->\n"
        << "# Control member reference\n\n"
        << "Page scripts call the members of both controls as listed here. The DISPID is the member's number in "
        << "the dispatch interface; string arguments and results are text in the system code page (936); an "
        << "SCODE result is an error-code value, 0 for success and -1 when the control is not ready or a step "
        << "failed.\n\n"
        << "Only pages the site lock answers can use the controls (see [site lock and site list](site-list.en.md)). "
        << "Any member called from another page raises automation error " << code << " (" << hex << ") \""
        << kit::sitelock::kAccessDeniedText << "\", and the control does nothing.\n\n";
  }
  bool complete = true;
  for (const Control& c : controls) complete = Table(out, c, zh) && complete;
  if (!complete) return 1;
  std::cout << out.str();
  return 0;
}
