// A minimal VST 2.x effect with a bare GL editor (no view framework), for
// testing how our host opens editors and how the window backend behaves
// inside a plug-in module: one
// on/off parameter, a 160x120 editor that is red while the parameter is off
// and green while it is on, and a left click that toggles the parameter with
// a begin-edit/automate/end-edit gesture from the host's idle call.
#include <GL/gl.h>

#include <memory>
#include <string>

#include "platform/GLSurface.h"
#include "tests/support/MinimalEffect.h"

namespace {

constexpr int EDITOR_WIDTH = 160;
constexpr int EDITOR_HEIGHT = 120;

struct EditorEffect {
  vst::AEffect effect{};
  vst::HostCallback host = nullptr;
  float value = 0.0f;
  vst::ERect rect{0, 0, EDITOR_HEIGHT, EDITOR_WIDTH};
  std::unique_ptr<platform::CGLSurface> editor;
  // What the editor saw, for the vendor-specific 'Edtr' request.
  int opens = 0;
  int destroyedEvents = 0;
  std::string lastError;

  void Call(std::int32_t opcode, std::int32_t index = 0, float opt = 0.0f) {
    host(&effect, opcode, index, 0, nullptr, opt);
  }

  void Draw() {
    if (!editor || !editor->MakeCurrent()) return;
    glViewport(0, 0, EDITOR_WIDTH, EDITOR_HEIGHT);
    if (value != 0.0f) {
      glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    } else {
      glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    }
    glClear(GL_COLOR_BUFFER_BIT);
    editor->SwapBuffers();
    editor->RestoreContext();
  }

  void Idle() {
    if (!editor) return;
    platform::SEvent event;
    while (editor->NextEvent(event)) {
      if (event.type == platform::SEvent::EType::Destroyed) ++destroyedEvents;
      if (event.type == platform::SEvent::EType::ButtonPress && event.button == platform::kLeftButton) {
        editor->TakeFocus();
        value = value != 0.0f ? 0.0f : 1.0f;
        Call(vst::audioMasterBeginEdit, 0);
        Call(vst::audioMasterAutomate, 0, value);
        Call(vst::audioMasterEndEdit, 0);
      }
    }
    Draw();
  }
};

std::intptr_t Dispatch(EditorEffect* self, std::int32_t opcode, std::int32_t index, std::intptr_t, void* ptr, float) {
  switch (opcode) {
    case vst::effClose:
      delete self;
      return 0;
    case vst::effEditGetRect:
      *static_cast<vst::ERect**>(ptr) = &self->rect;
      return 1;
    case vst::effEditOpen: {
      if (self->editor) return 1;
      const auto parent = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(ptr));
      self->editor = platform::CreateWindowSurface(parent, EDITOR_WIDTH, EDITOR_HEIGHT, self->lastError);
      if (!self->editor) return 0;
      ++self->opens;
      self->Draw();
      return 1;
    }
    case vst::effEditClose:
      self->editor.reset();
      return 0;
    case vst::effEditIdle:
      self->Idle();
      return 0;
    case vst::effVendorSpecific:
      if (index == vst::FourCC('E', 'd', 't', 'r')) {
        // opens, Destroyed events seen, editor alive, last error
        auto* out = static_cast<char*>(ptr);
        std::snprintf(out, 256, "%d %d %d %s", self->opens, self->destroyedEvents,
                      self->editor && self->editor->IsAlive() ? 1 : 0, self->lastError.c_str());
        return 1;
      }
      return 0;
    default:
      return 0;
  }
}

void SetParameter(EditorEffect* self, std::int32_t index, float value) {
  if (index == 0) self->value = value;
}

float GetParameter(EditorEffect* self, std::int32_t index) { return index == 0 ? self->value : 0.0f; }

void Process(EditorEffect*, float** inputs, float** outputs, std::int32_t frames) {
  for (int c = 0; c < 2; ++c)
    for (std::int32_t i = 0; i < frames; ++i) outputs[c][i] = inputs[c][i];
}

}  // namespace

extern "C" __attribute__((visibility("default"))) vst::AEffect* VSTPluginMain(vst::HostCallback host) {
  return testplugin::Connect(new EditorEffect, host, 1, vst::effFlagsHasEditor | vst::effFlagsCanReplacing,
                             vst::FourCC('E', 'd', 'T', 's'), 1);
}
