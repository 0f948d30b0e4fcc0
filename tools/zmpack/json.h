#pragma once
// A small JSON writer with two-space indentation; strings are UTF-8 and escaped as JSON needs.
#include <cstdint>
#include <string>
#include <vector>

namespace zmpack {

class TJsonWriter {
  public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // Inside an object, every value follows a Key.
    void Key(const std::string& key);
    void String(const std::string& utf8);
    void Number(int64_t v);
    void Unsigned(uint64_t v);
    void Bool(bool v);
    void Null();

    const std::string& Text() const { return out_; }

    static std::string Escape(const std::string& utf8);

  private:
    void BeforeValue();
    void Close(char c);

    struct Level {
        bool empty = true;
        bool object = false;
    };
    std::string out_;
    std::vector<Level> stack_;
    bool after_key_ = false;
};

}  // namespace zmpack
