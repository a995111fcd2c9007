// Running time of audio and video files.
#pragma once

#include "analysis/intake/FileInfo.h"

#include <filesystem>
#include <optional>
#include <string>

namespace pagetally {

// The words a minute of speech is reckoned at.
inline constexpr double wordsPerMinute = 150.0;

// The running time in seconds as the container states it, or nullopt when the file cannot be
// opened as audio or video, its duration is unknown, or the batch was cancelled meanwhile. Only
// the header is read, except for an MP3 without a Xing, Info or VBRI header: its frames are
// walked, because a bit-rate estimate is wrong for variable bit rates. A file whose data ends
// before its header says (a download cut short) gives the length its data holds.
std::optional<double> mediaDurationSeconds(const std::filesystem::path& location);

// The record of an audio or video file: minutes and an estimate of 150 words per minute, with a
// note when the header states more than the data holds. Without a usable duration: no
// duration, no pages, no words.
FileInfo
measureMedia(const std::filesystem::path& location, const std::string& fileName, const std::string& fileType);

} // namespace pagetally
