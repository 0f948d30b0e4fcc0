#pragma once
// The two string kinds the program passes around.
#include <cstdint>
#include <string>

// UTF-16 text: captions, titles, configuration values, paths inside the window.
using UString = std::u16string;
// 8-bit text in the system code page: block data, key names, paths handed to the zip component
// and to the shell.
using AnsiString = std::string;
