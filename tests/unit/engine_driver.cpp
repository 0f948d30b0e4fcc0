#include "tests/unit/engine_driver.h"

#include <cstring>

#include "platform/codepage.h"

namespace enginetest {

Driver::Driver() : options(kZEOptAlways | kZEOptExtract | kZEOptDirNames) {}

int32_t Driver::Run(const UString& archive, const UString& dest, ZE_ExecFunc exec) {
    std::string archive_utf8 = platform::WideToUtf8(archive);
    std::string dest_utf8 = platform::WideToUtf8(dest);
    std::vector<const char*> inc, exc;
    for (const auto& s : includes) inc.push_back(s.c_str());
    for (const auto& s : excludes) exc.push_back(s.c_str());
    ZECommand cmd;
    std::memset(&cmd, 0, sizeof cmd);
    cmd.Caller = this;
    cmd.Version = kZEVersion;
    cmd.FileCallback = &Driver::FileCallback;
    cmd.ProgressCallback = &Driver::ProgressCallback;
    cmd.Verbosity = verbosity;
    cmd.ArchivePathUtf8 = archive_utf8.c_str();
    cmd.BaseDirUtf8 = dest_utf8.c_str();
    cmd.Password = password.c_str();
    cmd.Options = options;
    cmd.PasswordReqCount = password_requests;
    cmd.IncludePatterns = inc.empty() ? nullptr : inc.data();
    cmd.IncludeCount = static_cast<int32_t>(inc.size());
    cmd.ExcludePatterns = exc.empty() ? nullptr : exc.data();
    cmd.ExcludeCount = static_cast<int32_t>(exc.size());
    cmd.Check = kZECommandCheck;
    int32_t r = exec(&cmd);
    handle = cmd.Handle;
    return r;
}

Event Driver::Record(int routine, const ZECallbackInfo& info) {
    Event e;
    e.routine = routine;
    e.kind = info.Kind;
    e.item = info.ItemNumber;
    e.amount = info.Amount;
    e.name = info.Name != nullptr ? info.Name : "<null>";
    e.name_utf8 = info.NameUtf8 != nullptr ? info.NameUtf8 : "<null>";
    e.path_utf8 = info.PathUtf8 != nullptr ? info.PathUtf8 : "<null>";
    e.text = info.Text != nullptr ? info.Text : "<null>";
    e.text_utf8 = info.TextUtf8 != nullptr ? info.TextUtf8 : "<null>";
    e.code = info.Code;
    e.answer = info.Answer;
    e.found_crc = info.FoundCrc;
    e.expected_crc = info.ExpectedCrc;
    e.handle = info.Handle;
    events.push_back(e);
    return e;
}

int32_t ZM_STDCALL Driver::FileCallback(ZECallbackInfo* info) {
    auto* self = static_cast<Driver*>(info->Caller);
    self->Record(1, *info);
    switch (info->Kind) {
        case ZE_CB_OVERWRITE:
            info->Answer = self->overwrite_answer;
            break;
        case ZE_CB_CRC_ERROR:
            info->Answer = self->crc_answer;
            break;
        case ZE_CB_PASSWORD:
            if (self->passwords_given_ < self->passwords_to_give.size()) {
                const std::string& p = self->passwords_to_give[self->passwords_given_++];
                std::strncpy(info->Buffer, p.c_str(), static_cast<size_t>(info->BufferSize - 1));
                info->Answer = 1;
            }
            break;
        default:
            break;
    }
    return self->file_hook ? self->file_hook(*info) : 0;
}

int32_t ZM_STDCALL Driver::ProgressCallback(ZECallbackInfo* info) {
    auto* self = static_cast<Driver*>(info->Caller);
    self->Record(2, *info);
    return self->progress_hook ? self->progress_hook(*info) : 0;
}

std::vector<Event> Driver::Of(int routine, int kind) const {
    std::vector<Event> out;
    for (const auto& e : events)
        if (e.routine == routine && e.kind == kind) out.push_back(e);
    return out;
}

std::string Driver::Dump() const {
    std::string s;
    for (const auto& e : events) {
        s += (e.routine == 1 ? "  file " : "  prog ") + std::to_string(e.kind) + " #" +
             std::to_string(e.item) + " amount=" + std::to_string(e.amount) +
             " code=" + std::to_string(e.code) + " answer=" + std::to_string(e.answer) +
             " name=" + e.name_utf8 + (e.text.empty() ? "" : " text=" + e.text) + "\n";
    }
    return s;
}

}  // namespace enginetest
