// The Word members of the control that need nothing but Word itself and the
// process table: ReMarkSet, IsHaveWordPro, KillWordPro.
#pragma once
#include "exchange/word_access.h"
#include "remark/notaro_ctrl.h"

namespace kit::exchange {

// Their rows of the member table; the ports must outlive the control.
remark::MemberRows WordMembers(const WordPorts& ports);

}  // namespace kit::exchange
