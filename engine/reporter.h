#pragma once
// The engine's side of the callback protocol (see ZMEngineApi.h): builds the callback records,
// throttles progress, and remembers a stop, whether a callback asked for it or ZE_Abort did.
#include <atomic>
#include <cstdint>
#include <string>

#include "engine/ZMEngineApi.h"

namespace engine {

class Reporter {
  public:
    Reporter(const ZECommand& command, uint32_t handle, const std::atomic<bool>& abort_flag);

    // True once the operation must end; Result() is then ZE_Exec's negative result.
    bool Stopped();
    int32_t Result() const { return result_; }

    void TotalCount(uint64_t count);
    void TotalSize(uint64_t size);
    // Names: 8-bit system code page and UTF-8 forms of the stored name; dir_index: the entry's
    // position in the central directory.
    void ItemStart(int32_t number, const std::string& ansi, const std::string& utf8, uint64_t size,
                   uint64_t dir_index);
    void Progress(uint64_t delta);  // throttled
    // The item was left alone (skipped): what it did not write still counts as handled, so
    // that the overall progress reaches its end.
    void ItemPassed();
    void ItemEnd();
    void EndOfBatch();

    // Questions; each returns the answer (the proposal when the routine is absent or stopped).
    bool AskOverwrite(bool is_older, const std::string& path_utf8);
    bool AskKeepBadCrc(uint32_t found, uint32_t expected, const std::string& path_utf8);
    bool AskPassword(std::string& password);
    // A skip: error value n (0 when no error); a negative answer stops the operation.
    void Skipped(int32_t skip_type, int32_t error, uint32_t os_error,
                 const std::string& path_utf8 = std::string());
    // Messages: the text exact (UTF-8), and in the system code page for older components.
    void Message(int32_t code, const std::string& text_utf8, uint32_t os_error = 0);
    bool Verbose() const { return command_.Verbosity != 0; }

  private:
    ZECallbackInfo Record(int32_t kind) const;
    void Call(ZECallback routine, ZECallbackInfo& info);
    void Flush();

    const ZECommand& command_;
    uint32_t handle_;
    const std::atomic<bool>& abort_flag_;
    int32_t result_ = 0;
    bool item_open_ = false;
    bool any_item_ = false;
    int32_t item_number_ = 0;
    int32_t dir_index_ = -1;
    std::string ansi_, utf8_;
    uint64_t pending_ = 0;
    uint64_t step_ = 0;
    uint64_t item_size_ = 0, item_done_ = 0;
};

}  // namespace engine
