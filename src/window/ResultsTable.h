// The results table: the rows of the list with their delete glyphs, removed by click or key.
#pragma once

#include "analysis/intake/FileInfo.h"

#include <QTableView>

#include <vector>

namespace pagetally {

class DeleteDelegate;
class ResultsModel;

class ResultsTable final : public QTableView
{
    Q_OBJECT

public:
    explicit ResultsTable(QWidget* parent = nullptr);
    ~ResultsTable() override;

    // Shows displayOrder(files); the keyboard's place stays on the same record, or where a
    // removed one was.
    void setFiles(const std::vector<FileInfo>& files);
    const ResultsModel& results() const { return *model_; }

    // As wide as the fixed columns, and the scroll bar when there is one.
    int fittedWidth() const;

signals:
    // A row's glyph was clicked, or Delete pressed on it: the record with this id is to go.
    void removeRequested(const QString& id);
    // Copy in the table: the whole table, not the current cell.
    void copyRequested();
    // fittedWidth() has changed.
    void fittedWidthChanged(int width);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void configureHeaders();
    // The red of the delete glyphs and the note mark, from the current palette and style.
    void applyPalette();
    void fitWidth();

    ResultsModel* model_ = nullptr;
    DeleteDelegate* deleteDelegate_ = nullptr;
};

} // namespace pagetally
