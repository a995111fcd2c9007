// Word counts of plain text and of HTML with its tags removed.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pagetally {

// The words of a file's bytes read as strict UTF-8 (a leading byte-order mark dropped);
// nullopt when the bytes are not UTF-8.
std::optional<std::int64_t> countTextWords(std::string_view bytes);

// As countTextWords, after every "<[^>]+>" tag is removed without leaving a space, so that
// words separated only by a tag run together.
std::optional<std::int64_t> countHtmlWords(std::string_view bytes);

} // namespace pagetally
