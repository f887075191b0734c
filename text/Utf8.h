// Where bytes are and are not UTF-8: file names and messages carry bytes from outside
// (a Unix file name is any bytes), and an XML report or a QString must know which.
#pragma once

#include <cstddef>
#include <string_view>

namespace tqv::text {

// The length of the well-formed UTF-8 sequence starting at `at` (1 to 4), or 0 where
// the bytes there are not one: a stray continuation byte, an overlong form, an encoded
// surrogate, a value past U+10FFFF or a sequence cut short.
int utf8SequenceLength(std::string_view bytes, std::size_t at);

}  // namespace tqv::text
