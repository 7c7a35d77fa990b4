#pragma once
// Our stand-in for the services a Pro Tools-family host library offers a
// plug-in module on this platform: the open/close hand-over, effect-type
// registration, gestalt queries, control-change notices and the resource
// byte-swap registry. Plain C interface; the library is
// libspanora_dae_standin.so and exports exactly these functions.
//
// The StandIn_* functions are not part of what a plug-in calls: they let a
// test host read back what the plug-in registered and flip test switches.
#include <stdint.h>

#define SPANORA_STANDIN_HOST_SONAME "libspanora_dae_standin.so"

#if defined(SPANORA_STANDIN_HOST_BUILD)
#define SPANORA_HOST_API __attribute__((visibility("default")))
#else
#define SPANORA_HOST_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int16_t (*PiOpenProc)(void);
typedef void (*PiCloseProc)(void);
// Converts one resource of `type`, read from the big-endian resource file, in place.
typedef void (*PiResourceSwapProc)(uint32_t type, void* data, uint32_t size);

// Effect-type kinds.
#define PI_KIND_AUDIOSUITE 0x41532020u /* 'AS  ' offline */
#define PI_KIND_RTAS 0x52544153u       /* 'RTAS' real time */

typedef struct PiEffectTypeInfo {
  uint32_t kind;      // PI_KIND_AUDIOSUITE or PI_KIND_RTAS
  uint32_t typeCode;  // e.g. 'RTac'
  int32_t inputCode;  // the host's stream-format codes
  int32_t outputCode;
  int32_t inputChannels;
  int32_t outputChannels;
  char name[96];          // "plug-in name (format)"
  char pageTable[32];     // control-surface page table
  char manufacturer[64];  // long and short form, each ended by '\n'
} PiEffectTypeInfo;

// Control-change notices an instance sends its host.
#define PI_CONTROL_VALUE 0    // a control moved (automation write)
#define PI_CONTROL_BEGIN 1    // a gesture on the control starts
#define PI_CONTROL_END 2      // ...and ends
#define PI_CONTROL_DISPLAY 3  // names or texts changed; control is -1

// Gestalt selector a test host sets to make the plug-in group fail its
// initialisation (any non-zero answer).
#define PI_GESTALT_TEST_FAIL_GROUP 0x74666769u /* 'tfgi' */

// --- Services a plug-in module calls -----------------------------------------
SPANORA_HOST_API void SetPlugInOpenAndCloseProcs(PiOpenProc open, PiCloseProc close);
// 0, or -1 when the table is full or the code is taken.
SPANORA_HOST_API int32_t DAE_RegisterEffectType(const PiEffectTypeInfo* info);
// 0, or -1 when the code is not registered.
SPANORA_HOST_API int32_t DAE_UnregisterEffectType(uint32_t typeCode);
// 0 and *response set when the host knows the selector, else -1.
SPANORA_HOST_API int32_t DAE_Gestalt(uint32_t selector, int32_t* response);
SPANORA_HOST_API void DAE_ControlChanged(void* hostCookie, int32_t control, int32_t event, float value);
// A handle > 0, or -1 when the registry is full or an argument is null.
SPANORA_HOST_API int32_t DigiExt_RegisterResourceSwapper(const char* resourceFile, PiResourceSwapProc swap);
SPANORA_HOST_API int32_t DigiExt_UnregisterResourceSwapper(int32_t handle);

// --- Test-host side ------------------------------------------------------------
// Forgets every registration, notice and gestalt answer.
SPANORA_HOST_API void StandIn_Reset(void);
// 1 and the procedures when a module handed them over, else 0.
SPANORA_HOST_API int32_t StandIn_GetPlugInOpenAndCloseProcs(PiOpenProc* open, PiCloseProc* close);
SPANORA_HOST_API int32_t StandIn_EffectTypeCount(void);
// 0 and the record, or -1 outside 0..count-1.
SPANORA_HOST_API int32_t StandIn_GetEffectType(int32_t index, PiEffectTypeInfo* info);
SPANORA_HOST_API int32_t StandIn_ResourceSwapperCount(void);
// The resource file of the swapper registered index-th (0 or -1).
SPANORA_HOST_API int32_t StandIn_GetResourceFile(int32_t index, char* text, int32_t size);
// Runs the first registered swapper on the resource: 0, or -1 when none is registered.
SPANORA_HOST_API int32_t StandIn_SwapResource(uint32_t type, void* data, uint32_t size);
SPANORA_HOST_API void StandIn_SetGestalt(uint32_t selector, int32_t value);
SPANORA_HOST_API void StandIn_ClearGestalt(uint32_t selector);
// Notices of `event` received for the cookie since the last reset; the last
// one's control and value when asked.
SPANORA_HOST_API int32_t StandIn_ControlChangeCount(void* hostCookie, int32_t event);
SPANORA_HOST_API int32_t StandIn_LastControlChange(void* hostCookie, int32_t event, int32_t* control, float* value);

#ifdef __cplusplus
}
#endif
