#pragma once
// The widener's editor drawn offscreen, with no X server. The effect and its
// editor are made in this process (the surface is ours, not a host's
// window) and driven through our host like any plug-in: settings applied,
// glides settled, then the material fed with the editor open, so that the
// graph, trail, meters and balance strip show real analysis.
#include <string>

#include "platform/GLSurface.h"
#include "tools/spanora/AudioFiles.h"
#include "tools/spanora/CommandLine.h"
#include "tools/spanora/DemoMaterial.h"
#include "tools/vsthost/VstHost.h"

namespace spanora {

// At most this much of the material is fed before the face is drawn.
constexpr double SNAPSHOT_SECONDS = 3.0;

// Creates the widener with its editor in this process, through the same
// routine as the module's entry point. False with host.GetError() set.
bool CreateEffectInProcess(vsthost::CVstHost& host);

// The first SNAPSHOT_SECONDS of the source (all of a shorter one). False
// with the message set on a read error.
bool ReadSnapshotMaterial(IFrameSource& source, SStereoBuffer* material, std::string* error);

// Opens the editor of the host's (in-process, running) effect offscreen,
// feeds it the material, shows the face and reads it back at the editor's
// size. The last part of the material is fed at real-time pace so that the
// trail holds its ten most recent layers. False with the reason when no GL
// context can be made or the frame cannot be drawn.
bool DrawEditorSnapshot(vsthost::CVstHost& host, SStereoBuffer& material, int sampleRate, EEditorFace face,
                        platform::SImage* image, std::string* error);

// The whole snapshot: the material read, the effect made, set from options
// (preset, state, settings), settled, fed and drawn. Returns the exit code;
// every failure is printed with its cause.
int TakeSnapshot(const SEditorOptions& options, IFrameSource& source, platform::SImage* image);

}  // namespace spanora
