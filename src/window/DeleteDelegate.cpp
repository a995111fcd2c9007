#include "window/DeleteDelegate.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

namespace pagetally {
namespace {

constexpr int buttonSize = 24;
constexpr int glyphSize = 16;

} // namespace

DeleteDelegate::DeleteDelegate(QIcon icon, QObject* parent)
    : QStyledItemDelegate(parent), icon_(std::move(icon))
{
}

QRect DeleteDelegate::buttonRect(const QRect& cell)
{
    QRect button(0, 0, buttonSize, buttonSize);
    button.moveCenter(cell.center());
    return button;
}

void DeleteDelegate::paint(QPainter* painter,
                           const QStyleOptionViewItem& option,
                           const QModelIndex& index) const
{
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);

    const QRect button = buttonRect(option.rect);
    // The current cell's focus frame, as the other cells draw it, around the button
    // and under the glyph.
    if (option.state.testFlag(QStyle::State_HasFocus)) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        focus.rect = button;
        focus.backgroundColor = option.palette.color(QPalette::Base);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    // A plain button: no border or background, only a faint one under the pointer.
    if (option.state.testFlag(QStyle::State_MouseOver)) {
        QColor shade = option.palette.color(QPalette::Text);
        shade.setAlphaF(0.08f);
        painter->setPen(Qt::NoPen);
        painter->setBrush(shade);
        painter->drawRoundedRect(QRectF(button).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    }
    QRect glyph(0, 0, glyphSize, glyphSize);
    glyph.moveCenter(button.center());
    icon_.paint(painter, glyph);
    painter->restore();
}

bool DeleteDelegate::editorEvent(QEvent* event,
                                 QAbstractItemModel* model,
                                 const QStyleOptionViewItem& option,
                                 const QModelIndex& index)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const bool onButton = mouse->button() == Qt::LeftButton &&
                              buttonRect(option.rect).contains(mouse->position().toPoint());
        // Only a release that follows a press on this very button is a click.
        pressed_ = onButton ? QPersistentModelIndex(index) : QPersistentModelIndex();
        if (onButton) {
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const bool clicked = mouse->button() == Qt::LeftButton && pressed_ == index &&
                             buttonRect(option.rect).contains(mouse->position().toPoint());
        pressed_ = QPersistentModelIndex();
        if (clicked) {
            emit deleteRequested(index.row());
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

} // namespace pagetally
