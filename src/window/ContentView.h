// The main view: title, captions, the four actions, the results table and the totals line.
#pragma once

#include "analysis/FileInfo.h"
#include "report/PrintJob.h"
#include "window/ExportResults.h"
#include "window/FilePicker.h"

#include <QWidget>

#include <filesystem>
#include <iostream>
#include <vector>

class QAction;
class QLabel;
class QPushButton;
class QTableView;

namespace pagetally {

class DeleteDelegate;
class ResultsModel;

class ContentView : public QWidget
{
    Q_OBJECT

public:
    // Minimum size of the view, in points.
    static constexpr QSize minimumContentSize{1000, 600};
    // Width of the slot each action button sits in.
    static constexpr int buttonSlotWidth = 100;

    // The only error line of this view ("Error selecting files: ...") goes to `diagnostics`.
    explicit ContentView(std::vector<FileInfo> files = {},
                         std::ostream& diagnostics = std::cout,
                         QWidget* parent = nullptr);
    ~ContentView() override;

    const std::vector<FileInfo>& files() const { return files_; }
    bool showingFilePicker() const { return showingFilePicker_; }

    void setFilePicker(FilePicker picker) { filePicker_ = std::move(picker); }
    void setPrintDialog(PrintDialogStep step) { printDialog_ = std::move(step); }
    void setFolderPicker(FolderPicker picker) { folderPicker_ = std::move(picker); }
    void setExportPicker(ExportPicker picker) { exportPicker_ = std::move(picker); }

    // "Select Files" on Ctrl+O and "Print Results" on Ctrl+P, for the window's menus.
    QAction* selectFilesAction() const { return selectFilesAction_; }
    QAction* printResultsAction() const { return printResultsAction_; }
    // "Add Folder..." on Ctrl+Shift+O, "Export Results..." on Ctrl+E and Copy on Ctrl+C.
    QAction* addFolderAction() const { return addFolderAction_; }
    QAction* exportResultsAction() const { return exportResultsAction_; }
    QAction* copyAction() const { return copyAction_; }

    // The intake that the file picker and drops both use.
    void addLocations(const std::vector<std::filesystem::path>& locations);

public slots:
    void selectFiles();
    void addFolder();
    void exportResults();
    // The whole table with its header and totals, as text and as HTML.
    void copyResults();
    void clearFiles();
    void printResults();
    void exitApp();
    void removeFile(const QString& id);

signals:
    // Once, when the view is first shown.
    void appeared();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The table's keys for removing its current row.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildLayout();
    void connectActions();
    // Rebuilds the rows, the delete controls and the totals from `files_`.
    void refresh();
    // Enables the actions that depend on the list.
    void updateActionStates();
    void handleFileImport(const QList<QUrl>& urls);
    // Table and totals line as wide as the columns, and the scroll bar when there is one.
    void fitTableWidth();
    // The accent of "Select Files" and the red of the delete glyphs, from the current palette.
    void applyPalette();

    std::vector<FileInfo> files_;
    bool showingFilePicker_ = false;
    std::ostream& diagnostics_;
    FilePicker filePicker_ = showFileDialog;
    PrintDialogStep printDialog_ = showPrintDialog;
    FolderPicker folderPicker_ = showFolderDialog;
    ExportPicker exportPicker_ = showExportDialog;
    bool appeared_ = false;

    ResultsModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    DeleteDelegate* deleteDelegate_ = nullptr;
    QPushButton* selectButton_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QWidget* totals_ = nullptr;
    QAction* selectFilesAction_ = nullptr;
    QAction* printResultsAction_ = nullptr;
    QAction* addFolderAction_ = nullptr;
    QAction* exportResultsAction_ = nullptr;
    QAction* copyAction_ = nullptr;
    QLabel* durationTotal_ = nullptr;
    QLabel* pagesTotal_ = nullptr;
    QLabel* wordsTotal_ = nullptr;
};

} // namespace pagetally
