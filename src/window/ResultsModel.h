// The results table's model: the rows of displayOrder(files) mapped to the formatting functions.
#pragma once

#include "analysis/intake/FileInfo.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <vector>

namespace pagetally {

class ResultsModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        FileNameColumn,
        FileTypeColumn,
        DurationColumn,
        PagesColumn,
        WordsColumn,
        DeleteColumn,
        ColumnCount
    };

    // Fixed column widths of the window's table, in points, left to right.
    static constexpr int columnWidths[ColumnCount] = {500, 80, 80, 80, 80, 50};

    using QAbstractTableModel::QAbstractTableModel;

    // Shows displayOrder(files); nothing of the list is kept but that sorted copy.
    void setFiles(const std::vector<FileInfo>& files);
    const FileInfo& record(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
    // The row of the record with this id, or -1.
    int rowOf(const std::string& id) const;

    // The mark of a row whose record has a note; the view sets it from its style.
    void setNoteIcon(const QIcon& icon) { noteIcon_ = icon; }

    // The localised absent-value text.
    static QString absentText();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<FileInfo> rows_;
    QIcon noteIcon_;
};

} // namespace pagetally
