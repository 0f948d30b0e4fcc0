#include "tools/zmpack/json.h"

#include <cstdio>

namespace zmpack {

std::string TJsonWriter::Escape(const std::string& s) {
    std::string out = "\"";
    for (char ch : s) {
        unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof(buf), "\\u%04x", c);
                    out += buf;
                } else {
                    out += ch;
                }
        }
    }
    return out + "\"";
}

void TJsonWriter::BeforeValue() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!stack_.empty()) {
        out_ += stack_.back().empty ? "\n" : ",\n";
        stack_.back().empty = false;
        out_.append(stack_.size() * 2, ' ');
    }
}

void TJsonWriter::Key(const std::string& key) {
    BeforeValue();
    out_ += Escape(key) + ": ";
    after_key_ = true;
}

void TJsonWriter::BeginObject() {
    BeforeValue();
    out_ += "{";
    stack_.push_back(Level{true, true});
}

void TJsonWriter::BeginArray() {
    BeforeValue();
    out_ += "[";
    stack_.push_back(Level{true, false});
}

void TJsonWriter::Close(char c) {
    bool empty = stack_.back().empty;
    stack_.pop_back();
    if (!empty) {
        out_ += "\n";
        out_.append(stack_.size() * 2, ' ');
    }
    out_ += c;
    if (stack_.empty()) out_ += "\n";
}

void TJsonWriter::EndObject() { Close('}'); }
void TJsonWriter::EndArray() { Close(']'); }

void TJsonWriter::String(const std::string& utf8) {
    BeforeValue();
    out_ += Escape(utf8);
}
void TJsonWriter::Number(int64_t v) {
    BeforeValue();
    out_ += std::to_string(v);
}
void TJsonWriter::Unsigned(uint64_t v) {
    BeforeValue();
    out_ += std::to_string(v);
}
void TJsonWriter::Bool(bool v) {
    BeforeValue();
    out_ += v ? "true" : "false";
}
void TJsonWriter::Null() {
    BeforeValue();
    out_ += "null";
}

}  // namespace zmpack
