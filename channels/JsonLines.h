// Where each value of a JSON text starts, so that a refusal can name the line of the
// field it is about: the parser says where the text breaks, not where a well-formed
// value lies.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace tqv::channels {

// The line (from 1) where each value of well-formed JSON starts, by its path: "" for the
// whole, "channels" for a member of the whole, "channels[0]" for an element,
// "channels[0].points[1][0]" deeper down. Values nested deeper than `deepest` are passed
// over. No recursion: any depth is safe.
std::map<std::string, int> jsonValueLines(std::string_view json, int deepest = 8);

}  // namespace tqv::channels
