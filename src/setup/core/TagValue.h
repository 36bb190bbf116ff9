#pragma once
// Records of the setup configuration: runs of "name:value" fields, each ended by a terminator
// (";" in the configuration), optionally after a free title part. Field names include their
// colon and are found as plain substrings, with case, so a name must not occur earlier in the
// record as text.
#include <string>
#include <string_view>

namespace orvane {

// The text after the first occurrence of `name` up to the next terminator (or the end). When
// `name` is empty or does not occur: the text before the first terminator (the whole record
// when it has none), which is how a record's title part is read.
[[nodiscard]] std::string GetTagValue(std::string_view record, std::string_view name, char terminator);

// The record with the field set: the value replaces the text after the first occurrence of
// `name` up to the next terminator (all the rest when none follows). A missing field is added:
// an empty name gives value + terminator + record, any other record + terminator + name + value.
[[nodiscard]] std::string SetTagValue(std::string_view record, std::string_view name, char terminator,
                                      std::string_view value);

// Flags of records and of the configuration are set only by exactly "1".
[[nodiscard]] inline bool IsFlagSet(std::string_view value) { return value == "1"; }

}  // namespace orvane
