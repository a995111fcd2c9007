#include "window/ResultsModel.h"

#include "summary/Formatting.h"
#include "summary/Results.h"
#include "window/NoteText.h"

#include <algorithm>

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

int ResultsModel::rowOf(const std::string& id) const
{
    const auto it = std::ranges::find(rows_, id, &FileInfo::id);
    return it == rows_.end() ? -1 : static_cast<int>(it - rows_.begin());
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
    if (index.column() == FileNameColumn) {
        if (role == Qt::ToolTipRole) {
            // The cell may elide a long name.
            //: A file's name, then on its own line why its values are not plain measurements.
            return f.note ? tr("%1\n%2").arg(text(f.fileName), NoteText::of(*f.note)) : text(f.fileName);
        }
        if (role == Qt::DecorationRole && f.note) {
            return noteIcon_;
        }
        if (role == Qt::AccessibleDescriptionRole && f.note) {
            return NoteText::of(*f.note);
        }
    }
    if (index.column() == DeleteColumn) {
        if (role == Qt::ToolTipRole) {
            return tr("Remove from the list");
        }
        // What a screen reader says for the row's delete button.
        if (role == Qt::AccessibleTextRole) {
            return tr("Remove %1").arg(text(f.fileName));
        }
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
        return f.duration ? text(formatDuration(*f.duration)) : absentText();
    case PagesColumn:
        return f.pages ? text(formatCount(*f.pages)) : absentText();
    case WordsColumn:
        return text(formatCount(f.words));
    default:
        return {};
    }
}

QString ResultsModel::absentText()
{
    static_assert(absentValueText == "-");
    //: Shown where a file has no running time or no page count.
    return tr("-");
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // The delete column's header is empty on screen but named for assistive technology.
    if (orientation == Qt::Horizontal && role == Qt::AccessibleTextRole && section == DeleteColumn) {
        return tr("Remove");
    }
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
