#pragma once
// A test stand-in for the zip component: builds a command record, answers the engine's callbacks
// as told, and records every report so tests can check the protocol.
#include <functional>
#include <string>
#include <vector>

#include "engine/ZMEngineApi.h"
#include "platform/types.h"

namespace enginetest {

struct Event {
    int routine = 0;  // 1 file callback, 2 progress callback
    int kind = 0;
    int item = 0;
    int64_t amount = 0;
    std::string name, name_utf8, path_utf8, text, text_utf8;
    int code = 0;
    int answer = 0;  // the engine's proposal
    uint32_t found_crc = 0, expected_crc = 0;
    uint32_t handle = 0;
};

class Driver {
  public:
    Driver();
    uint32_t options;
    std::string password;
    int32_t password_requests = 0;
    std::vector<std::string> includes, excludes;
    int32_t verbosity = 0;

    // Answers; a hook returns non-zero to stop the operation.
    int overwrite_answer = 0;
    int crc_answer = 1;
    std::vector<std::string> passwords_to_give;  // handed out one per request, then refused
    std::function<int(ZECallbackInfo&)> file_hook;
    std::function<int(ZECallbackInfo&)> progress_hook;

    // Runs one operation through `exec` (the linked ZE_Exec or one loaded from the library).
    int32_t Run(const UString& archive, const UString& dest, ZE_ExecFunc exec = &ZE_Exec);

    std::vector<Event> events;
    uint32_t handle = 0;

    std::vector<Event> Of(int routine, int kind) const;
    std::string Dump() const;  // for assertion context

  private:
    static int32_t ZM_STDCALL FileCallback(ZECallbackInfo* info);
    static int32_t ZM_STDCALL ProgressCallback(ZECallbackInfo* info);
    Event Record(int routine, const ZECallbackInfo& info);
    size_t passwords_given_ = 0;
};

}  // namespace enginetest
