// The markup-tag pattern "<[^>]+>" as a scanner.
#pragma once

#include <cstring>
#include <string_view>

namespace pagetally {

// Walks `text` left to right and hands each stretch outside a tag to `onText` and each tag
// (a "<", at least one character that is not ">", then ">") to `onTag`, in order. Matches are
// leftmost and never overlap, as a regular-expression replace-all finds them: "<>" is no tag,
// "<<a>" is one tag, a tag may span lines, and a "<" without a later ">" stays text.
// Written by hand because std::regex recurses per character and overflows on long matches.
template <class OnText, class OnTag> void scanTags(std::string_view text, OnText&& onText, OnTag&& onTag)
{
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* textStart = begin;
    const char* p = begin;
    while (p < end) {
        const char* open = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
        if (open == nullptr) {
            break;
        }
        const char* close =
            static_cast<const char*>(std::memchr(open + 1, '>', static_cast<std::size_t>(end - open - 1)));
        if (close == nullptr) {
            break; // no ">" anywhere later: no tag can start from here on
        }
        if (close == open + 1) {
            p = close + 1; // "<>" matches nothing; the ">" cannot start a tag either
            continue;
        }
        // Any "<" between open and close would find the same ">", so the leftmost match wins.
        onText(std::string_view(textStart, static_cast<std::size_t>(open - textStart)));
        onTag(std::string_view(open, static_cast<std::size_t>(close + 1 - open)));
        textStart = close + 1;
        p = close + 1;
    }
    onText(std::string_view(textStart, static_cast<std::size_t>(end - textStart)));
}

} // namespace pagetally
