#pragma once
// What a Pro Tools-family host sees of the module: the four exported entry
// points, the instance routines `_PI_GetRoutineDescriptor` hands out, and the
// records they exchange. Plain C layout; a host needs none of our classes.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define PI_FOURCC(a, b, c, d) \
  ((uint32_t)(uint8_t)(a) << 24 | (uint32_t)(uint8_t)(b) << 16 | (uint32_t)(uint8_t)(c) << 8 | (uint32_t)(uint8_t)(d))

// Results at the host boundary.
#define PI_OPEN_CODE 73
#define PI_NO_ERR 0
#define PI_ERR_WRONG_OPEN_CODE (-1)
#define PI_ERR_CHUNK_KEY_MISSING (-77)
#define PI_ERR_CANNOT_CREATE_GROUP (-7003)
#define PI_ERR_BAD_INSTANCE (-7010)
#define PI_ERR_BAD_CONTROL (-7011)
#define PI_ERR_UNKNOWN_CHUNK (-7012)
#define PI_ERR_BAD_CHUNK (-7013)  // truncated, or a header that does not fit the data
#define PI_ERR_BUFFER_TOO_SMALL (-7014)
#define PI_ERR_BAD_ARGUMENT (-7015)
#define PI_ERR_INTERNAL (-7016)

// Chunks an instance saves.
#define PI_CHUNK_EFFECT PI_FOURCC('v', 's', 't', 'p')   // "Complete Controls State": the effect's keyed state
#define PI_CHUNK_ADAPTOR PI_FOURCC('S', 'p', 'A', 'c')  // "Adaptor Controls": bypass and mono gain
#define PI_CHUNK_HEADER_SIZE 56

// Identifiers of the adaptor's own controls (effect parameters use index + 1).
#define PI_CONTROL_ID_BYPASS PI_FOURCC('b', 'y', 'p', 'a')
#define PI_CONTROL_ID_MONO_GAIN PI_FOURCC('s', 'l', 'd', '1')
#define PI_CONTROL_ID_PROGRAM PI_FOURCC('p', 'r', 'o', 'g')

// Host events an instance is told about.
#define PI_EVENT_TRANSPORT_START 1
#define PI_EVENT_TRANSPORT_STOP 2  // the instance empties the effect's memory before its next block

typedef struct PiInstanceTag* PiInstanceRef;

typedef struct PiControlInfo {
  uint32_t id;
  int32_t steps;  // 0 continuous, else the number of discrete values
  float minValue;
  float maxValue;
  float defaultValue;
  char name[64];  // long to short forms, separated by '\n'
} PiControlInfo;

typedef struct PiChunkInfo {
  uint32_t id;
  char name[32];
} PiChunkInfo;

typedef struct PiDiagnostics {
  double timeInfoSamplePos;  // what the effect's getTimeInfo answers now
  double timeInfoSampleRate;
  int32_t timeInfoValid;
  int32_t flushCount;  // FlushWithSilence runs so far
  int64_t framesProcessed;
} PiDiagnostics;

// Entry points.
typedef int16_t (*PiWinPlugInOpenProc)(int32_t code);
typedef void (*PiWinPlugInCloseProc)(void);
typedef int32_t (*PiNewPlugInProc)(int32_t reserved);
typedef void* (*PiGetRoutineDescriptorProc)(int32_t selector);

// Selectors of `_PI_GetRoutineDescriptor` and the routine each answers.
enum PiRoutineSelector {
  PI_ROUTINE_MODULE_OPEN_COUNT = 1,  // PiModuleOpenCountProc
  PI_ROUTINE_CREATE_INSTANCE,        // PiCreateInstanceProc
  PI_ROUTINE_DESTROY_INSTANCE,       // PiDestroyInstanceProc
  PI_ROUTINE_GET_CONTROL_COUNT,      // PiGetControlCountProc
  PI_ROUTINE_GET_CONTROL_INFO,       // PiGetControlInfoProc
  PI_ROUTINE_SET_CONTROL,            // PiSetControlProc
  PI_ROUTINE_GET_CONTROL,            // PiGetControlProc
  PI_ROUTINE_GET_CONTROL_TEXT,       // PiGetControlTextProc
  PI_ROUTINE_PROCESS_AUDIOSUITE,     // PiProcessAudioSuiteProc
  PI_ROUTINE_PROCESS_RTAS,           // PiProcessRtasProc
  PI_ROUTINE_GET_CHUNK_INFO,         // PiGetChunkInfoProc
  PI_ROUTINE_GET_CHUNK_SIZE,         // PiGetChunkSizeProc
  PI_ROUTINE_SAVE_CHUNK,             // PiSaveChunkProc
  PI_ROUTINE_RESTORE_CHUNK,          // PiRestoreChunkProc
  PI_ROUTINE_HOST_EVENT,             // PiHostEventProc
  PI_ROUTINE_GET_DIAGNOSTICS,        // PiGetDiagnosticsProc
  PI_ROUTINE_COUNT
};

typedef int32_t (*PiModuleOpenCountProc)(void);
// Null when the type is not registered or the group is not open.
typedef PiInstanceRef (*PiCreateInstanceProc)(uint32_t typeCode, void* hostCookie, double sampleRate,
                                              int32_t maxFrames);
typedef void (*PiDestroyInstanceProc)(PiInstanceRef instance);
typedef int32_t (*PiGetControlCountProc)(PiInstanceRef instance);
typedef int32_t (*PiGetControlInfoProc)(PiInstanceRef instance, int32_t control, PiControlInfo* info);
typedef int32_t (*PiSetControlProc)(PiInstanceRef instance, int32_t control, float value);
typedef int32_t (*PiGetControlProc)(PiInstanceRef instance, int32_t control, float* value);
typedef int32_t (*PiGetControlTextProc)(PiInstanceRef instance, int32_t control, char* text, int32_t size);
// Channel buffers as the type's format counts them; in and out may alias.
typedef int32_t (*PiProcessAudioSuiteProc)(PiInstanceRef instance, const float* const* inputs,
                                           float* const* outputs, int32_t frames);
typedef int32_t (*PiProcessRtasProc)(PiInstanceRef instance, const float* const* inputs, float* const* outputs,
                                     int32_t frames, int64_t samplePosition);
// 0 and the record, or PI_ERR_BAD_ARGUMENT past the last chunk.
typedef int32_t (*PiGetChunkInfoProc)(PiInstanceRef instance, int32_t index, PiChunkInfo* info);
typedef int32_t (*PiGetChunkSizeProc)(PiInstanceRef instance, uint32_t chunkId, uint32_t* size);
typedef int32_t (*PiSaveChunkProc)(PiInstanceRef instance, uint32_t chunkId, void* buffer, uint32_t capacity,
                                   uint32_t* written);
typedef int32_t (*PiRestoreChunkProc)(PiInstanceRef instance, uint32_t chunkId, const void* data, uint32_t size);
typedef int32_t (*PiHostEventProc)(PiInstanceRef instance, int32_t event);
typedef int32_t (*PiGetDiagnosticsProc)(PiInstanceRef instance, PiDiagnostics* diagnostics);

#ifdef __cplusplus
}
#endif
