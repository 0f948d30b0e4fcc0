#include "engine/reporter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/codepage.h"
#include "platform/files.h"

namespace engine {
namespace {

constexpr uint64_t kMinProgressStep = 64 * 1024;
constexpr int32_t kPasswordBuffer = 256;

}  // namespace

Reporter::Reporter(const ZECommand& command, uint32_t handle, const std::atomic<bool>& abort_flag)
    : command_(command), handle_(handle), abort_flag_(abort_flag) {}

bool Reporter::Stopped() {
    if (result_ == 0 && abort_flag_.load(std::memory_order_relaxed)) result_ = -ZE_ERR_ABORT;
    return result_ != 0;
}

ZECallbackInfo Reporter::Record(int32_t kind) const {
    ZECallbackInfo info;
    std::memset(&info, 0, sizeof info);
    info.Size = sizeof info;
    info.Handle = handle_;
    info.Caller = command_.Caller;
    info.Kind = kind;
    info.ItemNumber = item_open_ ? item_number_ : 0;
    info.Name = item_open_ ? ansi_.c_str() : "";
    info.NameUtf8 = item_open_ ? utf8_.c_str() : "";
    info.PathUtf8 = "";
    info.Text = "";
    info.TextUtf8 = "";
    info.DirIndex = item_open_ ? dir_index_ : -1;
    return info;
}

void Reporter::Call(ZECallback routine, ZECallbackInfo& info) {
    if (routine == nullptr || Stopped()) return;
    if (routine(&info) != 0 && result_ == 0) result_ = -ZE_ERR_CANCEL;
}

void Reporter::TotalCount(uint64_t count) {
    ZECallbackInfo info = Record(ZE_PR_TOTAL_COUNT);
    info.Amount = static_cast<int64_t>(count);
    Call(command_.ProgressCallback, info);
}

void Reporter::TotalSize(uint64_t size) {
    ZECallbackInfo info = Record(ZE_PR_TOTAL_SIZE);
    info.Amount = static_cast<int64_t>(size);
    Call(command_.ProgressCallback, info);
}

void Reporter::ItemStart(int32_t number, const std::string& ansi, const std::string& utf8,
                         uint64_t size, uint64_t dir_index) {
    item_open_ = true;
    any_item_ = true;
    item_number_ = number;
    dir_index_ =
        dir_index <= static_cast<uint64_t>(INT32_MAX) ? static_cast<int32_t>(dir_index) : -1;
    ansi_ = ansi;
    utf8_ = utf8;
    pending_ = 0;
    step_ = std::max(kMinProgressStep, size / 100);
    item_size_ = size;
    item_done_ = 0;
    ZECallbackInfo info = Record(ZE_PR_ITEM_START);
    info.Amount = static_cast<int64_t>(size);
    Call(command_.ProgressCallback, info);
}

void Reporter::Progress(uint64_t delta) {
    pending_ += delta;
    item_done_ += delta;
    if (pending_ >= step_) Flush();
}

void Reporter::ItemPassed() {
    if (!item_open_) return;
    if (item_done_ < item_size_) {
        pending_ += item_size_ - item_done_;
        item_done_ = item_size_;
    }
    Flush();
}

void Reporter::Flush() {
    if (pending_ == 0) return;
    ZECallbackInfo info = Record(ZE_PR_PROGRESS);
    info.Amount = static_cast<int64_t>(pending_);
    pending_ = 0;
    Call(command_.ProgressCallback, info);
}

void Reporter::ItemEnd() {
    if (!item_open_) return;
    Flush();
    ZECallbackInfo info = Record(ZE_PR_ITEM_END);
    Call(command_.ProgressCallback, info);
    item_open_ = false;
}

void Reporter::EndOfBatch() {
    if (!any_item_ || command_.ProgressCallback == nullptr) return;
    item_open_ = false;
    // Sent also after a stop: the component closes its item display with it.
    ZECallbackInfo info = Record(ZE_PR_END_OF_BATCH);
    command_.ProgressCallback(&info);
}

bool Reporter::AskOverwrite(bool is_older, const std::string& path_utf8) {
    ZECallbackInfo info = Record(ZE_CB_OVERWRITE);
    info.Code = is_older ? 1 : 0;
    info.Answer = 0;
    info.PathUtf8 = path_utf8.c_str();
    Call(command_.FileCallback, info);
    return info.Answer != 0 && !Stopped();
}

bool Reporter::AskKeepBadCrc(uint32_t found, uint32_t expected, const std::string& path_utf8) {
    ZECallbackInfo info = Record(ZE_CB_CRC_ERROR);
    info.Answer = 1;
    info.FoundCrc = found;
    info.ExpectedCrc = expected;
    info.PathUtf8 = path_utf8.c_str();
    Call(command_.FileCallback, info);
    return info.Answer != 0 && !Stopped();
}

bool Reporter::AskPassword(std::string& password) {
    char buffer[kPasswordBuffer];
    std::memset(buffer, 0, sizeof buffer);
    ZECallbackInfo info = Record(ZE_CB_PASSWORD);
    info.Answer = 0;
    info.Buffer = buffer;
    info.BufferSize = kPasswordBuffer;
    if (command_.FileCallback == nullptr) return false;
    Call(command_.FileCallback, info);
    if (info.Answer == 0 || Stopped()) return false;
    buffer[kPasswordBuffer - 1] = '\0';  // a routine that overran the terminator is not trusted
    password.assign(buffer);
    return true;
}

void Reporter::Skipped(int32_t skip_type, int32_t error, uint32_t os_error,
                       const std::string& path_utf8) {
    ZECallbackInfo info = Record(ZE_CB_SKIPPED);
    info.Code = skip_type;
    info.Answer = error;
    info.OsError = static_cast<int32_t>(os_error);
    info.PathUtf8 = path_utf8.c_str();
    Call(command_.FileCallback, info);
    if (info.Answer < 0 && result_ == 0)
        result_ = IsZEError(ZESkipErrorOf(info.Answer)) ? info.Answer : -ZE_ERR_CANCEL;
}

void Reporter::Message(int32_t code, const std::string& text_utf8, uint32_t os_error) {
    // The system's reason ("No space left on device") goes into the text as well: the text is
    // what a component shows or passes on.
    const std::string exact =
        os_error == 0
            ? text_utf8
            : text_utf8 + " (" + platform::WideToUtf8(platform::OsErrorText(os_error)) + ")";
    // The 8-bit form is for components that read records without TextUtf8.
    const std::string ansi = platform::WideToAnsi(platform::Utf8ToWide(exact));
    ZECallbackInfo info = Record(ZE_CB_MESSAGE);
    info.Code = code;
    info.Text = ansi.c_str();
    info.TextUtf8 = exact.c_str();
    info.OsError = static_cast<int32_t>(os_error);
    Call(command_.FileCallback, info);
}

}  // namespace engine
