#include "vstgui/CFrameResources.h"

namespace VSTGUI {

bool CFrameResources::Create() { return true; }
void CFrameResources::Release() {}

}  // namespace VSTGUI
