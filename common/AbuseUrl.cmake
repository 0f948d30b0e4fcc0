# Turns ZM_ABUSE_URL into enciphered hexadecimal text for common/abuse_url.h: every byte is XORed
# with a rolling key (seed 0x5A, then key = key * 13 + 59 modulo 256), which AbuseBaseUrl undoes.
function(zm_encipher_abuse_url out_header)
  string(HEX "${ZM_ABUSE_URL}" plain_hex)
  string(LENGTH "${plain_hex}" len)
  set(key 90)
  set(cipher "")
  set(i 0)
  while(i LESS len)
    string(SUBSTRING "${plain_hex}" ${i} 2 byte_hex)
    math(EXPR c "(0x${byte_hex} ^ ${key}) + 256" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${c}" 3 2 c)  # 0x1nn -> nn, always two digits
    string(APPEND cipher "${c}")
    math(EXPR key "(${key} * 13 + 59) % 256")
    math(EXPR i "${i} + 2")
  endwhile()
  file(CONFIGURE OUTPUT "${out_header}" CONTENT [[
#pragma once
// Generated from the ZM_ABUSE_URL build option; do not edit.
#include <cstdint>
namespace zm_abuse {
constexpr const char* kCipherHex = "@cipher@";
constexpr uint8_t kSeed = 0x5A;
constexpr uint8_t kStep = 13;
constexpr uint8_t kAdd = 59;
}  // namespace zm_abuse
]] @ONLY)
endfunction()
