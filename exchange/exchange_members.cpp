#include "exchange/exchange_members.h"

#include <memory>

namespace kit::exchange {

using automation::InvokeKind;
using automation::Variant;
using Args = std::vector<Variant>;

remark::MemberRows LocalFileMembers(const LocalFilePorts& ports) {
  auto files = std::make_shared<CLocalFiles>(ports);
  return {
      {remark::DISPID_OpenFile,
       [files](remark::CNotaroCtrl&, InvokeKind, const Args& a) { return Variant::Bool(files->OpenFile(a[0].AsStr())); }},
      {remark::DISPID_GetSaveFilePath,
       [files](remark::CNotaroCtrl&, InvokeKind, const Args&) { return Variant::Str(files->GetSaveFilePath()); }},
      {remark::DISPID_GetUploadFilePath,
       [files](remark::CNotaroCtrl&, InvokeKind, const Args&) { return Variant::Str(files->GetUploadFilePath()); }},
      {remark::DISPID_GetFilesSize,
       [files](remark::CNotaroCtrl&, InvokeKind, const Args& a) {
         return Variant::Str(files->GetFilesSize(a[0].AsStr()));
       }},
      {remark::DISPID_IsExsitFile,
       [files](remark::CNotaroCtrl&, InvokeKind, const Args& a) {
         return Variant::Bool(files->IsExsitFile(a[0].AsStr()));
       }},
  };
}

}  // namespace kit::exchange
