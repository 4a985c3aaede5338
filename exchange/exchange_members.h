// The document-exchange members of the remark control, answered through the
// control's extension hook.
#pragma once
#include <memory>

#include "exchange/local_files.h"
#include "remark/notaro_ctrl.h"

namespace kit::exchange {

class CExchangeMembers : public remark::IMemberExtension {
 public:
  explicit CExchangeMembers(const LocalFilePorts& ports) : m_localFiles(ports) {}
  bool TryInvoke(remark::CNotaroCtrl& ctrl, automation::DispId id, const std::vector<automation::Variant>& args,
                 automation::Variant& result) override;

 private:
  CLocalFiles m_localFiles;
};

// Adds the exchange members to `ctrl`. The control's own code page converts
// text for the shell and the dialogs; the ports must outlive the control.
void InstallExchange(remark::CNotaroCtrl& ctrl, IFileLookup& lookup, IShell& shell, IDialogs& dialogs,
                     std::uintptr_t main_window = 0);

}  // namespace kit::exchange
