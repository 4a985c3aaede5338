// The local file members of the remark control: OpenFile, GetSaveFilePath,
// GetUploadFilePath, GetFilesSize, IsExsitFile.
#pragma once
#include "exchange/local_files.h"
#include "remark/notaro_ctrl.h"

namespace kit::exchange {

// Their rows of the member table; the ports must outlive the control.
remark::MemberRows LocalFileMembers(const LocalFilePorts& ports);

}  // namespace kit::exchange
