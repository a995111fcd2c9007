// The words of a JSON document: those of its values, never of its keys.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pagetally {

// The texts of a JSON document's values in document order: each string, each number as it is
// written, each boolean as "1" (true) or "0" (false); null contributes nothing. Where an object
// repeats a key, only the last value of that key is kept. `document` is the file's bytes in
// UTF-8, UTF-16 or UTF-32 (either byte order, with or without a byte-order mark); the top level
// must be an object or an array. nullopt when the bytes are not such a JSON text.
std::optional<std::vector<std::string>> collectJSONStrings(std::string_view document);

// The sum of `countWords` over the texts `collectJSONStrings` gives, without making them: the
// words of every string, and one for every number and boolean. nullopt as for collectJSONStrings.
std::optional<std::int64_t> countJSONWords(std::string_view document);

} // namespace pagetally
