#pragma once
// The one routine through which every host front end creates the effect:
// identify the host (once per process), then build the widener.
#include "Helpers/KivEffect.h"

KivEffect* CreateSpanoraEffect(vst::HostCallback audioMaster);
