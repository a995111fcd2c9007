// The line under the table: "Total:" and, at the right, the sums of duration, pages and words.
#pragma once

#include "analysis/intake/FileInfo.h"

#include <QWidget>

#include <vector>

class QLabel;

namespace pagetally {

class TotalsLine final : public QWidget
{
    Q_OBJECT

public:
    explicit TotalsLine(QWidget* parent = nullptr);

    void setFiles(const std::vector<FileInfo>& files);

private:
    QLabel* duration_ = nullptr;
    QLabel* pages_ = nullptr;
    QLabel* words_ = nullptr;
};

} // namespace pagetally
