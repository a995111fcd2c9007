// pagetally-cli's output: the table form (the JSON and CSV forms are in summary/Export.h) and
// the buffer that writes it.
#pragma once

#include "analysis/intake/FileInfo.h"

#include <array>
#include <ostream>
#include <streambuf>
#include <vector>

namespace pagetally::cli {

// The report's table: records in display order, the window's texts, then the totals line.
void writeTable(std::ostream& out, const std::vector<FileInfo>& files);

// Writes to a file descriptor it does not own and keeps the reason of the first write that
// failed, which a stream's state alone does not tell. After a failure it takes nothing more.
class DescriptorBuffer : public std::streambuf
{
public:
    explicit DescriptorBuffer(int fd);
    DescriptorBuffer(const DescriptorBuffer&) = delete;
    DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

    // The errno of the first failed write; 0 while none has failed.
    int error() const { return error_; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool drain();

    int fd_;
    int error_ = 0;
    std::array<char, 64 * 1024> buffer_{};
};

} // namespace pagetally::cli
