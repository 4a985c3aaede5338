#include "exchange/exchange_members.h"

namespace kit::exchange {

using automation::Variant;

bool CExchangeMembers::TryInvoke(remark::CNotaroCtrl&, automation::DispId id, const std::vector<Variant>& args,
                                 Variant& result) {
  // The control has checked the argument count and types against its table.
  switch (id) {
    case remark::DISPID_OpenFile:
      result = Variant::Bool(m_localFiles.OpenFile(args.at(0).AsStr()));
      return true;
    case remark::DISPID_GetSaveFilePath:
      result = Variant::Str(m_localFiles.GetSaveFilePath());
      return true;
    case remark::DISPID_GetUploadFilePath:
      result = Variant::Str(m_localFiles.GetUploadFilePath());
      return true;
    case remark::DISPID_GetFilesSize:
      result = Variant::Str(m_localFiles.GetFilesSize(args.at(0).AsStr()));
      return true;
    case remark::DISPID_IsExsitFile:
      result = Variant::Bool(m_localFiles.IsExsitFile(args.at(0).AsStr()));
      return true;
    default:
      return false;
  }
}

void InstallExchange(remark::CNotaroCtrl& ctrl, IFileLookup& lookup, IShell& shell, IDialogs& dialogs,
                     std::uintptr_t main_window) {
  LocalFilePorts ports;
  ports.lookup = &lookup;
  ports.shell = &shell;
  ports.dialogs = &dialogs;
  ports.codepage = ctrl.platform().codepage;
  ports.main_window = main_window;
  ctrl.AddExtension(std::make_shared<CExchangeMembers>(ports));
}

}  // namespace kit::exchange
