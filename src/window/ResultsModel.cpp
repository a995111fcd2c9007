#include "window/ResultsModel.h"

#include "window/summary/Formatting.h"
#include "window/summary/Results.h"

namespace pagetally {
namespace {

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

void ResultsModel::setFiles(const std::vector<FileInfo>& files)
{
    beginResetModel();
    rows_ = displayOrder(files);
    endResetModel();
}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount) {
        return {};
    }
    const FileInfo& f = record(index.row());
    if (role == Qt::ToolTipRole && index.column() == FileNameColumn) {
        return text(f.fileName); // the cell may elide a long name
    }
    if ((role == Qt::ToolTipRole || role == Qt::AccessibleTextRole) && index.column() == DeleteColumn) {
        return tr("Remove from the list");
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (index.column()) {
    case FileNameColumn:
        return text(f.fileName);
    case FileTypeColumn:
        return text(f.fileType);
    case DurationColumn:
        return f.duration ? text(formatDuration(*f.duration)) : tr(absentValueText.data());
    case PagesColumn:
        return f.pages ? text(formatCount(*f.pages)) : tr(absentValueText.data());
    case WordsColumn:
        return text(formatCount(f.words));
    default:
        return {};
    }
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case FileNameColumn:
        return tr("File Name");
    case FileTypeColumn:
        return tr("File Type");
    case DurationColumn:
        return tr("Duration");
    case PagesColumn:
        return tr("Pages");
    case WordsColumn:
        return tr("Words");
    case DeleteColumn:
        return QString();
    default:
        return {};
    }
}

Qt::ItemFlags ResultsModel::flags(const QModelIndex& index) const
{
    // Rows can be neither selected nor edited.
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

} // namespace pagetally
