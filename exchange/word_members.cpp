#include "exchange/word_members.h"

namespace kit::exchange {

using automation::Variant;

bool WordMembers::TryInvoke(remark::CNotaroCtrl&, automation::DispId id, const std::vector<Variant>& args,
                            Variant& result) {
  switch (id) {
    case remark::DISPID_ReMarkSet:
      result = Variant::Error(ReMarkSet(m_ports, args[0].AsStr()));
      return true;
    case remark::DISPID_IsHaveWordPro:
      // Without a process table there is no Word to find.
      result = Variant::Bool(m_ports.processes != nullptr && IsHaveWordPro(*m_ports.processes, args[0].AsStr()));
      return true;
    case remark::DISPID_KillWordPro:
      result = Variant::Error(m_ports.processes == nullptr ? 0 : KillWordPro(*m_ports.processes, args[0].AsStr()));
      return true;
    default:
      return false;
  }
}

}  // namespace kit::exchange
