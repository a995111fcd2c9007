// The delete control of a row: a red trash glyph centred in the last cell, pressed like a plain
// button. Painted rather than made of widgets, so that long lists rebuild quickly; the keyboard
// reaches it as the table's current cell (see ResultsTable).
#pragma once

#include <QIcon>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

namespace pagetally {

class DeleteDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit DeleteDelegate(QIcon icon, QObject* parent = nullptr);

    // A new glyph, as when the palette changes.
    void setIcon(QIcon icon) { icon_ = std::move(icon); }

    // Where the button is drawn, and takes clicks, in a cell.
    static QRect buttonRect(const QRect& cell);

    void
    paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

signals:
    // The button of this row was clicked (pressed and released on it).
    void deleteRequested(int row);

protected:
    bool editorEvent(QEvent* event,
                     QAbstractItemModel* model,
                     const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    QIcon icon_;
    QPersistentModelIndex pressed_;
};

} // namespace pagetally
