#include "app/ucmdline.h"

#include "common/ownfile.h"
#include "platform/files.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

UString LowerCase(UString s) {
    for (char16_t& c : s) c = Lower(c);
    return s;
}

UString TrimRight(UString s) {
    while (!s.empty() && IsBlank(s.back())) s.pop_back();
    return s;
}

// A drive, a root or a share: anything else is taken from the current folder.
bool IsAbsolute(const UString& path) {
    if (path.size() >= 2 && path[1] == u':') return true;
    return !path.empty() && platform::IsPathDelimiter(path[0]);
}

UString FullPath(const UString& path, const UString& current_dir) {
    if (IsAbsolute(path)) return platform::ExpandFullPath(path);
    return platform::ExpandFullPath(IncludeTrailingBackslash(current_dir) + path);
}

class TParser {
  public:
    // whole: the text is one switch that was quoted whole; its value runs to the end.
    TParser(const UString& tail, const UString& current_dir, TCommandLine& out, bool whole = false)
        : s_(tail), cwd_(current_dir), out_(out), whole_(whole) {}

    void Run() {
        while (true) {
            while (pos_ < s_.size() && IsBlank(s_[pos_])) ++pos_;
            if (pos_ >= s_.size()) return;
            const size_t start = pos_;
            // A switch quoted whole, as programs that quote every argument with a blank pass
            // it ("/D=C:\Program Files\App"), is read as the switch inside the quotes.
            if (s_[pos_] == u'"' && pos_ + 1 < s_.size() &&
                (s_[pos_ + 1] == u'/' || s_[pos_ + 1] == u'-')) {
                const size_t close = s_.find(u'"', pos_ + 1);
                const bool ends =
                    close != UString::npos && (close + 1 == s_.size() || IsBlank(s_[close + 1]));
                if (!ends) {
                    Fail(u"Malformed switch: " + Word(start));
                    continue;
                }
                const UString inner = s_.substr(pos_ + 1, close - pos_ - 1);
                pos_ = close + 1;
                TParser(inner, cwd_, out_, true).Run();
                continue;
            }
            if (s_[pos_] != u'/' && s_[pos_] != u'-') {
                Fail(u"Not a switch: " + Word(start));
                continue;
            }
            ++pos_;
            size_t name_end = pos_;
            while (name_end < s_.size() && !IsBlank(s_[name_end]) && s_[name_end] != u'=')
                ++name_end;
            const UString name = LowerCase(s_.substr(pos_, name_end - pos_));
            pos_ = name_end;
            const bool has_value = pos_ < s_.size() && s_[pos_] == u'=';
            if (has_value) ++pos_;
            // NSIS's rule: the destination is the rest of the line, spaces and all.
            if (name == u"d" && has_value) {
                UString dir = TrimRight(s_.substr(pos_));
                pos_ = s_.size();
                if (dir.size() >= 2 && dir.front() == u'"' && dir.back() == u'"')
                    dir = dir.substr(1, dir.size() - 2);
                SetDestination(u"/D", dir);
                return;
            }
            UString value;
            const UString shown = s_.substr(start, name_end - start);
            if (has_value && !ReadValue(value)) {
                Fail(u"Malformed value of " + shown);
                if (pos_ >= s_.size()) return;
                continue;
            }
            Apply(shown, name, has_value, value);
        }
    }

  private:
    // Up to the next blank; "..." may hold blanks and must be the whole value. False, having
    // moved past what it read, for an open quote or a quote inside the value.
    bool ReadValue(UString& value) {
        if (whole_) {
            value = s_.substr(pos_);
            pos_ = s_.size();
            return value.find(u'"') == UString::npos;
        }
        if (pos_ < s_.size() && s_[pos_] == u'"') {
            const size_t close = s_.find(u'"', pos_ + 1);
            if (close == UString::npos) {
                pos_ = s_.size();
                return false;
            }
            value = s_.substr(pos_ + 1, close - pos_ - 1);
            pos_ = close + 1;
            if (pos_ < s_.size() && !IsBlank(s_[pos_])) {
                Word(pos_);
                return false;
            }
            return true;
        }
        value = Word(pos_);
        return value.find(u'"') == UString::npos;
    }

    // The word from start to the next blank; moves past it.
    UString Word(size_t start) {
        size_t end = start;
        while (end < s_.size() && !IsBlank(s_[end])) ++end;
        pos_ = end;
        return s_.substr(start, end - start);
    }

    void Apply(const UString& shown, const UString& name, bool has_value, const UString& value) {
        const bool flag = name == u"s" || name == u"silent" || name == u"verysilent" ||
                          name == u"?" || name == u"help" || name == u"run";
        if (flag) {
            if (has_value) return Fail(u"The switch " + shown + u" takes no value");
            if (name == u"?" || name == u"help") {
                out_.Help = true;
            } else if (name == u"run") {
                out_.Run = true;
            } else {
                out_.Silent = true;
            }
            return;
        }
        const bool valued = name == u"d" || name == u"dir" || name == u"log" ||
                            name == u"overwrite" || name == u"lang";
        if (!valued) return Fail(u"Unknown switch: " + shown);
        if (!has_value || value.empty()) return Fail(u"The switch " + shown + u" needs a value");
        if (name == u"dir") return SetDestination(shown, value);
        if (name == u"log") {
            out_.LogFile = FullPath(value, cwd_);
        } else if (name == u"overwrite") {
            const UString v = LowerCase(value);
            if (v == u"always") {
                out_.Overwrite = TOverwrite::Always;
            } else if (v == u"never") {
                out_.Overwrite = TOverwrite::Never;
            } else {
                Fail(u"The switch " + shown + u" takes always or never, not " + value);
            }
        } else {
            AnsiString id;
            for (char16_t c : value) {
                if (c < 0x21 || c > 0x7e) return Fail(u"Not a language id: " + value);
                id += static_cast<char>(c);
            }
            out_.Language = id;
        }
    }

    void SetDestination(const UString& shown, const UString& dir) {
        if (dir.empty()) return Fail(u"The switch " + shown + u" needs a folder");
        out_.Destination = IncludeTrailingBackslash(FullPath(dir, cwd_));
    }

    void Fail(const UString& why) {
        if (out_.Error.empty()) out_.Error = why + u".";
    }

    const UString& s_;
    const UString& cwd_;
    TCommandLine& out_;
    bool whole_ = false;
    size_t pos_ = 0;
};

}  // namespace

TCommandLine ParseCommandLine(const UString& tail, const UString& current_dir) {
    TCommandLine out;
    TParser(tail, current_dir, out).Run();
    return out;
}

UString UsageText() {
    return u"setup.exe [/S] [/LOG=FILE] [/OVERWRITE=always|never] [/LANG=ID] [/RUN] "
           u"[/DIR=\"DIR\"] [/D=DIR]\r\n"
           u"\r\n"
           u"/S, /SILENT, /VERYSILENT\tinstall with no window and no question\r\n"
           u"/D=DIR\tthe destination folder; the rest of the line, so it comes last\r\n"
           u"/DIR=\"DIR\"\tthe destination folder, quoted, anywhere\r\n"
           u"/LOG=FILE\twith /S, write every entry and the outcome to FILE (UTF-8)\r\n"
           u"/OVERWRITE=always|never\texisting files (silent default: always)\r\n"
           u"/LANG=ID\tthe interface language by its id\r\n"
           u"/RUN\tstart the installed program after a silent install\r\n"
           u"/?, /HELP\tthis text\r\n"
           u"\r\n"
           u"Exit codes: 0 installed, 1 cancelled, 2 the package cannot be opened or is "
           u"damaged, 3 the extraction failed, 4 a usage error.\r\n";
}
