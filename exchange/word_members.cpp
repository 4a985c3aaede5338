#include "exchange/word_members.h"

namespace kit::exchange {

using automation::InvokeKind;
using automation::Variant;
using Args = std::vector<Variant>;

remark::MemberRows WordMembers(const WordPorts& ports) {
  return {
      {remark::DISPID_ReMarkSet,
       [ports](remark::CNotaroCtrl&, InvokeKind, const Args& a) {
         return Variant::Error(ReMarkSet(ports, a[0].AsStr()));
       }},
      {remark::DISPID_IsHaveWordPro,
       [ports](remark::CNotaroCtrl&, InvokeKind, const Args& a) {
         // Without a process table there is no Word to find.
         return Variant::Bool(ports.processes != nullptr && IsHaveWordPro(*ports.processes, a[0].AsStr()));
       }},
      {remark::DISPID_KillWordPro,
       [ports](remark::CNotaroCtrl&, InvokeKind, const Args& a) {
         return Variant::Error(ports.processes == nullptr ? 0 : KillWordPro(*ports.processes, a[0].AsStr()));
       }},
  };
}

}  // namespace kit::exchange
