// The Word members of the control that need nothing but Word itself and the
// process table: ReMarkSet, IsHaveWordPro, KillWordPro.
#pragma once
#include "exchange/word_access.h"
#include "remark/notaro_ctrl.h"

namespace kit::exchange {

class WordMembers : public remark::IMemberExtension {
 public:
  explicit WordMembers(const WordPorts& ports) : m_ports(ports) {}
  bool TryInvoke(remark::CNotaroCtrl& ctrl, automation::DispId id, const std::vector<automation::Variant>& args,
                 automation::Variant& result) override;

 private:
  WordPorts m_ports;
};

}  // namespace kit::exchange
